#include "toolkit/common/richrender.h"

#include <cstring>
#include <string>

#include "platform/base/codepage.h"
#include "platform/framework/afxgdi.h"
#include "platform/shell/textserv.h"
#include "platform/system/modules.h"
#include "toolkit/common/drawhelpers.h"

// The host the services ask for formats and colours: the icon-title font,
// left-aligned word-wrapped rich text, transparent background.
class CTKRichRender::CHost : public ITextHost {
 public:
  CHost() {
    LOGFONTW lf{};
    CTKDrawHelpers::GetIconLogFont(&lf);
    m_cf.cbSize = sizeof(m_cf);
    m_cf.dwMask = CFM_FACE | CFM_SIZE | CFM_COLOR | CFM_BOLD | CFM_ITALIC | CFM_UNDERLINE;
    m_cf.dwEffects = CFE_AUTOCOLOR;
    if (lf.lfWeight >= FW_BOLD) m_cf.dwEffects |= CFE_BOLD;
    if (lf.lfItalic) m_cf.dwEffects |= CFE_ITALIC;
    // Twips at 96 pixels per inch.
    m_cf.yHeight = (lf.lfHeight < 0 ? -lf.lfHeight : lf.lfHeight) * 15;
    if (m_cf.yHeight == 0) m_cf.yHeight = 165;
    size_t n = 0;
    for (; n + 1 < sizeof(m_cf.szFaceName) / sizeof(WCHAR) && lf.lfFaceName[n]; ++n) m_cf.szFaceName[n] = lf.lfFaceName[n];
    m_cf.szFaceName[n] = 0;
    m_pf.cbSize = sizeof(m_pf);
    m_pf.dwMask = PFM_ALIGNMENT;
    m_pf.wAlignment = PFA_LEFT;
  }
  virtual ~CHost() = default;

  STDMETHODIMP QueryInterface(REFIID, void** o) override {
    if (o) *o = nullptr;
    return E_NOINTERFACE;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return 1; }
  STDMETHODIMP_(ULONG) Release() override { return 1; }
  HDC TxGetDC() override { return nullptr; }
  INT TxReleaseDC(HDC) override { return 0; }
  BOOL TxShowScrollBar(INT, BOOL) override { return FALSE; }
  BOOL TxEnableScrollBar(INT, INT) override { return FALSE; }
  BOOL TxSetScrollRange(INT, LONG, INT, BOOL) override { return FALSE; }
  BOOL TxSetScrollPos(INT, INT, BOOL) override { return FALSE; }
  void TxInvalidateRect(LPCRECT, BOOL) override {}
  void TxViewChange(BOOL) override {}
  BOOL TxCreateCaret(HBITMAP, INT, INT) override { return FALSE; }
  BOOL TxShowCaret(BOOL) override { return FALSE; }
  BOOL TxSetCaretPos(INT, INT) override { return FALSE; }
  BOOL TxSetTimer(UINT, UINT) override { return FALSE; }
  void TxKillTimer(UINT) override {}
  void TxScrollWindowEx(INT, INT, LPCRECT, LPCRECT, HRGN, LPRECT, UINT) override {}
  void TxSetCapture(BOOL) override {}
  void TxSetFocus() override {}
  void TxSetCursor(HCURSOR, BOOL) override {}
  BOOL TxScreenToClient(LPPOINT) override { return FALSE; }
  BOOL TxClientToScreen(LPPOINT) override { return FALSE; }
  HRESULT TxActivate(LONG*) override { return E_FAIL; }
  HRESULT TxDeactivate(LONG) override { return E_FAIL; }
  HRESULT TxGetClientRect(LPRECT) override { return E_FAIL; }
  HRESULT TxGetViewInset(LPRECT rc) override {
    if (rc) *rc = {};
    return S_OK;
  }
  HRESULT TxGetCharFormat(const CHARFORMATW** p) override {
    *p = &m_cf;
    return S_OK;
  }
  HRESULT TxGetParaFormat(const PARAFORMAT** p) override {
    *p = &m_pf;
    return S_OK;
  }
  COLORREF TxGetSysColor(int index) override { return ::GetSysColor(index); }
  HRESULT TxGetBackStyle(DWORD* s) override {
    *s = TXTBACK_TRANSPARENT;
    return S_OK;
  }
  HRESULT TxGetMaxLength(DWORD* n) override {
    *n = 0x1000000;
    return S_OK;
  }
  HRESULT TxGetScrollBars(DWORD* b) override {
    *b = 0;
    return S_OK;
  }
  HRESULT TxGetPasswordChar(WCHAR*) override { return S_FALSE; }
  HRESULT TxGetAcceleratorPos(LONG* p) override {
    *p = -1;
    return S_OK;
  }
  HRESULT TxGetExtent(SIZEL*) override { return E_NOTIMPL; }
  HRESULT OnTxCharFormatChange(const CHARFORMATW*) override { return E_FAIL; }
  HRESULT OnTxParaFormatChange(const PARAFORMAT*) override { return E_FAIL; }
  HRESULT TxGetPropertyBits(DWORD mask, DWORD* bits) override {
    *bits = mask & (TXTBIT_RICHTEXT | TXTBIT_MULTILINE | TXTBIT_WORDWRAP);
    return S_OK;
  }
  HRESULT TxNotify(DWORD, void*) override { return S_OK; }
  HIMC TxImmGetContext() override { return nullptr; }
  void TxImmReleaseContext(HIMC) override {}
  HRESULT TxGetSelectionBarWidth(LONG* w) override {
    *w = 0;
    return S_OK;
  }

 private:
  CHARFORMATW m_cf{};
  PARAFORMAT m_pf{};
};

namespace {

struct StreamSource {
  const std::string* bytes;
  size_t pos = 0;
};

DWORD ReadStream(DWORD_PTR cookie, LPBYTE buffer, LONG count, LONG* done) {
  auto* source = reinterpret_cast<StreamSource*>(cookie);
  size_t n = source->bytes->size() - source->pos;
  if (count >= 0 && static_cast<size_t>(count) < n) n = static_cast<size_t>(count);
  std::memcpy(buffer, source->bytes->data() + source->pos, n);
  source->pos += n;
  *done = static_cast<LONG>(n);
  return 0;
}

}  // namespace

CTKRichRender::CTKRichRender() {
  m_hModule = ::LoadLibraryW(u"RICHED20.DLL");
  if (!m_hModule) return;
  auto create = pv::ProcAs<HRESULT(IUnknown*, ITextHost*, IUnknown**)>(::GetProcAddress(m_hModule, "CreateTextServices"));
  if (!create) return;
  m_pHost = new CHost();
  IUnknown* pUnknown = nullptr;
  if (SUCCEEDED(create(nullptr, m_pHost, &pUnknown)) && pUnknown) {
    pUnknown->QueryInterface(IID_ITextServices, reinterpret_cast<void**>(&m_pServices));
    pUnknown->Release();
  }
}

CTKRichRender::~CTKRichRender() {
  if (m_pServices) m_pServices->Release();
  delete m_pHost;
  if (m_hModule) ::FreeLibrary(m_hModule);
}

void CTKRichRender::SetText(LPCTSTR lpszText) {
  if (!m_pServices) return;
  std::u16string text = lpszText ? lpszText : u"";
  if (!text.empty() && text[0] == u'{') {
    int n = ::WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string bytes(static_cast<size_t>(n > 0 ? n : 0), '\0');
    if (n > 0)
      ::WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), bytes.data(), n, nullptr, nullptr);
    StreamSource source{&bytes};
    EDITSTREAM stream{reinterpret_cast<DWORD_PTR>(&source), 0, &ReadStream};
    LRESULT result = 0;
    m_pServices->TxSendMessage(EM_STREAMIN, SF_RTF, reinterpret_cast<LPARAM>(&stream), &result);
    if (result > 0) return;
  }
  m_pServices->TxSetText(text.c_str());
}

CSize CTKRichRender::GetTextExtent(CDC* pDC, int nWidth) {
  if (!m_pServices) return CSize(0, 0);
  LONG width = nWidth, height = 0;
  SIZEL extent{nWidth, 0};
  if (FAILED(m_pServices->TxGetNaturalSize(DVASPECT_CONTENT, pDC ? pDC->GetSafeHdc() : nullptr, nullptr, nullptr,
                                           TXTNS_FITTOCONTENT, &extent, &width, &height)))
    return CSize(0, 0);
  return CSize(width, height);
}

void CTKRichRender::Draw(CDC* pDC, LPCRECT lpRect) {
  if (!m_pServices || !pDC || !lpRect) return;
  RECTL bounds{lpRect->left, lpRect->top, lpRect->right, lpRect->bottom};
  m_pServices->TxDraw(DVASPECT_CONTENT, 0, nullptr, nullptr, pDC->GetSafeHdc(), nullptr, &bounds, nullptr, nullptr,
                      nullptr, 0, 0);
}
