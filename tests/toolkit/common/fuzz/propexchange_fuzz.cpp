// Fuzz target for the readers of stored settings: the compressed envelope,
// the archive flavour of property exchange over what it yields (and over
// the raw bytes), and the text forms the keyed flavours parse.
//
// Whatever the bytes, reading may fail with a framework exception or a
// FALSE result, but must never crash, overread, leak or hang.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "platform/base/archive.h"
#include "platform/base/exceptions.h"
#include "platform/base/file.h"
#include "platform/base/oledatetime.h"
#include "platform/base/utf.h"
#include "platform/base/variant.h"
#include "toolkit/common/propexchange_backends.h"
#include "toolkit/common/zipmemfile.h"

class FuzzItem : public CObject {
  DECLARE_SERIAL(FuzzItem)
 public:
  int m_nValue = 0;
  CString m_strText;
  void Serialize(CArchive& ar) override {
    if (ar.IsStoring()) ar << m_nValue << m_strText;
    else ar >> m_nValue >> m_strText;
  }
};
IMPLEMENT_SERIAL(FuzzItem, CObject, 1)

class FuzzOther : public CObject {
  DECLARE_SERIAL(FuzzOther)
};
IMPLEMENT_SERIAL(FuzzOther, CObject, 1)

namespace {

// A keyed exchange whose every string value is the fuzzed text, so that
// the base class's own readers (letter text, class names) see it.
class TextExchange : public CTKPropExchange {
 public:
  explicit TextExchange(const CString& text) : m_strText(text) { m_bLoading = TRUE; }
  BOOL ExchangeProp(LPCTSTR, unsigned short type, void* value, const void* defaultValue) override {
    if (m_strText.IsEmpty()) return CopyValue(type, value, defaultValue);
    if (type == VT_TK_STRING) {
      *static_cast<CString*>(value) = m_strText;
      return TRUE;
    }
    CString text = m_strText;
    return ExchangeValueText(text, type, value, defaultValue);
  }
  CTKPropExchange* GetSection(LPCTSTR) override { return new TextExchange(m_strText); }
  CString m_strText;
};

void ReadValues(CTKPropExchange* px) {
  px->ExchangeSchemaTolerant();
  px->ExchangeLocale();
  int i = 0;
  BOOL b = FALSE;
  short s = 0;
  BYTE byte = 0;
  double d = 0;
  float f = 0;
  CString text;
  COleDateTime date;
  RECT rc{};
  SIZE size{};
  ULONGLONG u = 0;
  PropExchangeIntDefault(px, u"Int", &i, 0);
  PropExchangeBool(px, u"Bool", &b);
  PropExchangeShortDefault(px, u"Short", &s, 0);
  PropExchangeByteDefault(px, u"Byte", &byte, 0);
  PropExchangeDouble(px, u"Double", &d);
  px->ExchangeProp(u"Float", VT_R4, &f, nullptr);
  PropExchangeStringDefault(px, u"Text", &text, u"");
  PropExchangeDateTime(px, u"Date", &date);
  PropExchangeRect(px, u"Rect", &rc, RECT{});
  PropExchangeSize(px, u"Size", &size, SIZE{});
  PropExchangeUInt64(px, u"Data", &u, 0);
  COleVariant v;
  PropExchangeVariant(px, u"Variant", &v, COleVariant());

  BYTE* blob = nullptr;
  DWORD count = 0;
  if (PropExchangeBlob(px, u"Blob", &blob, &count)) std::free(blob);
  BYTE small[16];
  blob = small;
  count = sizeof small;
  PropExchangeBlob(px, u"Small", &blob, &count);

  CTKPropExchangeEnumeratorHolder e(px->GetEnumerator(u"Item"));
  POSITION pos = e->GetPosition();
  // The callers' loops are bounded by the data they read; keep this one short.
  for (int n = 0; pos && n < 32; ++n) {
    CTKPropExchangeSection section(e->GetNext(pos));
    CObject* obj = nullptr;
    if (section->ExchangeObject(&obj, RUNTIME_CLASS(FuzzItem)) && obj) PropExchangeSerialize(section, u"Object", obj);
    delete obj;
    CRuntimeClass* cls = nullptr;
    PropExchangeRuntimeClass(section, u"Class", &cls, RUNTIME_CLASS(FuzzOther));
  }
  FuzzItem item;
  PropExchangeSerialize(px, u"Item", &item);
  BYTE rest[64];
  px->ReadBinary(u"Rest", rest, sizeof rest);
}

void ReadArchive(CFile& file) {
  try {
    CArchive ar(&file, CArchive::load, 4096);
    CTKPropExchangeArchive px(ar);
    ReadValues(&px);
  } catch (CException* e) {
    e->Delete();
  }
}

void ReadText(const uint8_t* data, size_t size) {
  CString text = FromUtf8(std::string_view(reinterpret_cast<const char*>(data), size));
  TextExchange px(text);
  try {
    ReadValues(&px);
  } catch (CException* e) {
    e->Delete();
  }
  CObject* obj = nullptr;
  if (px.ExchangeObject(&obj, RUNTIME_CLASS(FuzzItem))) delete obj;
  // Unescaping and the date text.
  CString copy = text;
  px.EscapeText(copy);
  COleDateTime date;
  px.ExchangeDateText(copy, date);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > 1 << 20) return 0;
  std::vector<BYTE> bytes(data, data + size);
  {
    CTKZipMemFile envelope;
    envelope.AttachCompressedBuffer(bytes.data(), static_cast<DWORD>(bytes.size()), FALSE);
    ReadArchive(envelope);
  }
  {
    CMemFile raw(bytes.data(), static_cast<UINT>(bytes.size()));
    ReadArchive(raw);
  }
  ReadText(data, size);
  CTKPropExchange::s_nLocale = -1;
  return 0;
}
