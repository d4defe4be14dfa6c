#include "toolkit/common/richrender.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <string_view>

#include "platform/base/codepage.h"
#include "platform/framework/afxgdi.h"
#include "platform/shell/textserv.h"
#include "platform/system/modules.h"
#include "toolkit/common/resourcemanager.h"

// The host the services ask for formats and colours: no window, no caret, no
// scroll bars, transparent background, rich multi-line word-wrapped text.
class CTKRichRender::CHost : public ITextHost {
 public:
  CHost() {
    NONCLIENTMETRICSW ncm{};
    ncm.cbSize = sizeof(ncm);
    ::SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(ncm), &ncm, 0);
    const LOGFONTW& lf = ncm.lfMessageFont;
    m_cf.cbSize = sizeof(m_cf);
    m_cf.dwMask = CFM_SIZE | CFM_COLOR | CFM_FACE | CFM_CHARSET | CFM_BOLD | CFM_ITALIC | CFM_UNDERLINE | CFM_STRIKEOUT;
    m_cf.dwEffects = 0;
    HDC hdcScreen = ::GetDC(nullptr);
    const int nPixelsPerInch = std::max(::GetDeviceCaps(hdcScreen, LOGPIXELSY), 1);
    ::ReleaseDC(nullptr, hdcScreen);
    m_cf.yHeight = -(lf.lfHeight * 1440 / nPixelsPerInch);
    m_cf.crTextColor = ::GetSysColor(COLOR_BTNTEXT);
    m_cf.bCharSet = 0;
    m_cf.bPitchAndFamily = 0;
    size_t n = 0;
    for (; n + 1 < sizeof(m_cf.szFaceName) / sizeof(WCHAR) && lf.lfFaceName[n]; ++n)
      m_cf.szFaceName[n] = lf.lfFaceName[n];
    m_cf.szFaceName[n] = 0;
    m_pf.cbSize = sizeof(m_pf);
    m_pf.dwMask = PFM_STARTINDENT | PFM_RIGHTINDENT | PFM_OFFSET | PFM_ALIGNMENT | PFM_TABSTOPS | PFM_NUMBERING |
                  PFM_RTLPARA | PFM_OFFSETINDENT;
    m_pf.wAlignment = PFA_LEFT;
  }
  virtual ~CHost() = default;

  const CHARFORMATW& GetCharFormat() const { return m_cf; }
  void SetCharFormat(const CHARFORMATW& cf) { m_cf = cf; }
  CSize GetRequestedSize() const { return m_sizeRequested; }
  void ResetRequestedSize() { m_sizeRequested = CSize(0, 0); }

  STDMETHODIMP QueryInterface(REFIID riid, void** o) override {
    if (!o) return E_POINTER;
    *o = nullptr;
    if (riid != IID_IUnknown && riid != IID_ITextHost) return E_NOINTERFACE;
    *o = static_cast<ITextHost*>(this);
    return S_OK;
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
  HRESULT TxNotify(DWORD code, void* data) override {
    if (code == EN_REQUESTRESIZE && data) {
      const RECT& rc = static_cast<const REQRESIZE*>(data)->rc;
      m_sizeRequested = CSize(rc.right - rc.left, rc.bottom - rc.top);
    }
    return S_OK;
  }
  HIMC TxImmGetContext() override { return nullptr; }
  void TxImmReleaseContext(HIMC) override {}
  HRESULT TxGetSelectionBarWidth(LONG* w) override {
    *w = 0;
    return S_OK;
  }

 private:
  CHARFORMATW m_cf{};
  PARAFORMAT2 m_pf{};
  CSize m_sizeRequested{0, 0};  // the last EN_REQUESTRESIZE
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

CTKRichRender::CTKRichRender() : m_pHost(new CHost()) {
  m_hModule = ::LoadLibraryW(u"RICHED20.DLL");
  if (!m_hModule) return;
  auto create =
      pv::ProcAs<HRESULT(IUnknown*, ITextHost*, IUnknown**)>(::GetProcAddress(m_hModule, "CreateTextServices"));
  if (!create) return;
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

void CTKRichRender::SetDefaultCharFormat(const CHARFORMATW* pFormat) {
  if (!pFormat) return;
  m_pHost->SetCharFormat(*pFormat);
  if (m_pServices) {
    LRESULT result = 0;
    m_pServices->TxSendMessage(EM_SETCHARFORMAT, SCF_DEFAULT, reinterpret_cast<LPARAM>(&m_pHost->GetCharFormat()),
                               &result);
  }
}

const CHARFORMATW& CTKRichRender::GetDefaultCharFormat() const { return m_pHost->GetCharFormat(); }

CSize CTKRichRender::GetRequestedSize() const { return m_pHost->GetRequestedSize(); }

namespace {

LRESULT StreamIn(ITextServices* pServices, const void* pBytes, size_t nBytes, WPARAM nFormat) {
  std::string bytes(static_cast<const char*>(pBytes), nBytes);
  StreamSource source{&bytes};
  EDITSTREAM stream{reinterpret_cast<DWORD_PTR>(&source), 0, &ReadStream};
  LRESULT result = 0;
  pServices->TxSendMessage(EM_STREAMIN, nFormat, reinterpret_cast<LPARAM>(&stream), &result);
  return result;
}

}  // namespace

int CTKRichRender::SetText(LPCTSTR lpszText) {
  if (!m_pServices) return 0;
  if (!lpszText || !*lpszText) {
    m_pServices->TxSetText(u"");
    return 0;
  }
  if (lpszText[0] == u'{') {
    // RTF is 8-bit text in the resource language's code page.
    CTKNarrowString narrow(lpszText);
    const char* pNarrow = narrow.c_str();
    const LRESULT nRead = pNarrow ? StreamIn(m_pServices, pNarrow, std::strlen(pNarrow), SF_RTF) : 0;
    if (nRead > 0) return static_cast<int>(nRead);
  }
  const size_t nLength = std::u16string_view(lpszText).size();
  return static_cast<int>(StreamIn(m_pServices, lpszText, nLength * sizeof(WCHAR), SF_TEXT | SF_UNICODE));
}

CSize CTKRichRender::GetTextExtent(CDC* pDC, int nWidth) {
  if (!m_pServices) return CSize(0, 0);
  LRESULT result = 0;
  m_pServices->TxSendMessage(EM_SETEVENTMASK, 0, ENM_REQUESTRESIZE, &result);
  m_pHost->ResetRequestedSize();
  const HDC hdc = pDC ? pDC->GetSafeHdc() : nullptr;
  // Laying out at a width reports the size needed there; an empty update
  // rectangle keeps the services from painting.
  auto layout = [&](int cx) {
    RECTL bounds{0, 0, cx, 1};
    RECT rcUpdate{0, 0, 0, 0};
    m_pServices->TxDraw(DVASPECT_CONTENT, 0, nullptr, nullptr, hdc, nullptr, &bounds, nullptr, &rcUpdate, nullptr, 0,
                        0);
  };
  // The narrowest width that keeps the height the text has at nWidth.
  int lo = 0, hi = 2 * nWidth, nHeight = 0;
  do {
    const int mid = (lo + hi) / 2;
    layout(mid);
    const int nRequested = m_pHost->GetRequestedSize().cy;
    if (nHeight == 0) nHeight = nRequested;
    if (nHeight < nRequested) lo = mid + 1;
    else hi = mid - 1;
  } while (lo < hi);
  if (nHeight < m_pHost->GetRequestedSize().cy) layout(hi + 1);
  return m_pHost->GetRequestedSize();
}

void CTKRichRender::Draw(CDC* pDC, LPCRECT lpRect) {
  if (!m_pServices || !pDC || !lpRect) return;
  RECTL bounds{lpRect->left, lpRect->top, lpRect->right, lpRect->bottom};
  m_pServices->TxDraw(DVASPECT_CONTENT, 0, nullptr, nullptr, pDC->GetSafeHdc(), nullptr, &bounds, nullptr, nullptr,
                      nullptr, 0, 0);
}
