#include "toolkit/markup/markupbuilder.h"

#include <cstdint>
#include <cstring>
#include <iterator>
#include <string_view>
#include <utility>

#include "platform/base/wstr.h"

#include "toolkit/markup/markupcontext.h"
#include "toolkit/markup/markupconverters.h"
#include "toolkit/markup/markupelements.h"
#include "toolkit/markup/markupinput.h"
#include "toolkit/markup/markupparser.h"
#include "toolkit/markup/markupstyle.h"
#include "toolkit/markup/markuptext.h"

// ---- message formatting ------------------------------------------------------------------

CString FormatStringWithArg(LPCWSTR lpszFormat, LPCWSTR lpszArg) {
  CString s;
  s.Format(lpszFormat, lpszArg);
  return s;
}

CString FormatStringWithArgs(LPCWSTR lpszFormat, LPCWSTR a1, LPCWSTR a2) {
  CString s;
  s.Format(lpszFormat, a1, a2);
  return s;
}

CString FormatStringWithArgs(LPCWSTR lpszFormat, LPCWSTR a1, LPCWSTR a2, LPCWSTR a3) {
  CString s;
  s.Format(lpszFormat, a1, a2, a3);
  return s;
}

// ---- the exception -------------------------------------------------------------------------

CTKMarkupBuilderException::CTKMarkupBuilderException(LPCWSTR lpszMessage) {
  int n = 0;
  if (lpszMessage)
    for (; lpszMessage[n] && n < 255; n++) m_szMessage[n] = lpszMessage[n];
  m_szMessage[n] = 0;
}

BOOL CTKMarkupBuilderException::GetErrorMessage(LPTSTR lpszError, UINT nMaxError, PUINT pnHelpContext) const {
  if (!lpszError) return FALSE;
  lstrcpynW(lpszError, m_szMessage, static_cast<int>(nMaxError));
  if (pnHelpContext) *pnHelpContext = 0;
  return TRUE;
}

void ThrowBuildError(LPCWSTR lpszMessage) { throw new CTKMarkupBuilderException(lpszMessage); }

// ---- property elements -----------------------------------------------------------------------

TK_DEFINE_MARKUPCLASS(CTKMarkupObjectProperty)

CTKMarkupObjectProperty::~CTKMarkupObjectProperty() {
  MarkupRelease(m_pValue);
  MarkupRelease(m_pBuilding);
}

void CTKMarkupObjectProperty::SetContentObject(CTKMarkupBuilder* pBuilder, CTKMarkupObject* pContent) {
  CTKMarkupType* pValueType = m_pProperty ? m_pProperty->GetPropertyType() : nullptr;
  if (pContent && (pContent->IsOfType(pValueType) || pContent->GetType() == CTKMarkupString::GetMarkupClass())) {
    MarkupRelease(m_pValue);
    m_pValue = pContent;
    return;
  }
  if (m_pValue) {
    m_pValue->SetContentObject(pBuilder, pContent);
    return;
  }
  CTKMarkupContext* pContext = pBuilder ? pBuilder->GetMarkupContext() : nullptr;
  CTKMarkupObject* pNew =
      pValueType ? (pContext ? pContext->CreateObject(pValueType) : pValueType->CreateInstance()) : nullptr;
  if (!pNew) {
    CTKMarkupObject::SetContentObject(pBuilder, pContent);
    return;
  }
  m_pBuilding = pNew;  // released by the destructor if the content is refused
  pNew->SetContentObject(pBuilder, pContent);
  m_pBuilding = nullptr;
  m_pValue = pNew;
}

// ---- the builder ---------------------------------------------------------------------------------

struct CTKMarkupBuilder::OpenLevel {
  CTKMarkupResourceScope level;
  bool bRead = false;
  int nTagLength = 0;  // of the element's start tag, which its tag name repeats
};

CTKMarkupBuilder::CTKMarkupBuilder(CTKMarkupContext* pContext)
    : m_pMarkupContext(pContext), m_pSystemColorCache(nullptr) {}

CTKMarkupBuilder::~CTKMarkupBuilder() {
  ReleaseAll();
  delete m_pSystemColorCache;
}

SystemColorCache* CTKMarkupBuilder::GetSystemColorCache() {
  if (!m_pSystemColorCache) m_pSystemColorCache = new SystemColorCache();
  return m_pSystemColorCache;
}

void CTKMarkupBuilder::Push(CTKMarkupObject* pObject) {
  m_arrStack.push_back(pObject);
  m_arrOpenLevels.emplace_back();
}

CTKMarkupObject* CTKMarkupBuilder::Pop() {
  CTKMarkupObject* p = m_arrStack.back();
  m_arrStack.pop_back();
  m_arrOpenLevels.pop_back();
  // The element below is the innermost again: what comes next may change it.
  if (!m_arrOpenLevels.empty()) m_arrOpenLevels.back().bRead = false;
  return p;
}

// FindElementResource of an open element. An element open below the
// innermost one is not changed until it is the innermost again, and with
// no parent yet its search is its own level: that level is read once.
CTKMarkupObject* CTKMarkupBuilder::FindOpenResource(size_t nIndex, const CTKMarkupObject* pKey) {
  CTKMarkupObject* pOpen = m_arrStack[nIndex];
  if (nIndex + 1 == m_arrStack.size() || pOpen->GetLogicalParent()) return FindElementResource(pOpen, pKey);
  OpenLevel& open = m_arrOpenLevels[nIndex];
  if (!open.bRead) {
    CTKMarkupResourceScope::Read(pOpen, open.level);
    open.bRead = true;
  }
  if (!open.level.pOwn && !open.level.pStyle) return nullptr;  // most elements hold no resources
  bool bStop = false;
  return open.level.Lookup(pKey, bStop);
}

void CTKMarkupBuilder::ReleaseAll() {
  MarkupRelease(m_pHandOver);
  MarkupRelease(m_pRoot);
  // Innermost first: a child is released before the element that would
  // have received it.
  while (!m_arrStack.empty()) Pop()->Release();
  m_strText.clear();
  m_bPendingWhiteSpace = FALSE;
}

CTKMarkupObject* CTKMarkupBuilder::CreateObjectFromTag(LPCWSTR lpszTag) {
  CTKMarkupType* pType = CTKMarkupType::LookupTypeByTag(lpszTag);
  if (!pType) return nullptr;
  return m_pMarkupContext ? m_pMarkupContext->CreateObject(pType) : pType->CreateInstance();
}

void CTKMarkupBuilder::CheckNameCache() {
  unsigned nGeneration = CTKMarkupDependencyProperty::GetRegistryGeneration();
  if (nGeneration != m_nNameCacheGeneration || m_nameCache.empty()) {
    m_nameCache.assign(kNameCacheSize, NameCacheEntry());
    m_nameCacheRecent.assign(kNameCacheSize / 2, 0);
    m_nNameCacheGeneration = nGeneration;
  }
}

// Names are short: compared four characters at a time, without a call.
static bool SameName(const WCHAR* a, const WCHAR* b, int n) {
  int i = 0;
  for (; i + 4 <= n; i += 4) {
    uint64_t x, y;
    std::memcpy(&x, a + i, sizeof(x));
    std::memcpy(&y, b + i, sizeof(y));
    if (x != y) return false;
  }
  for (; i < n; i++)
    if (a[i] != b[i]) return false;
  return true;
}

// The scope, the length and the first and last four characters: this runs
// for every tag and attribute, and names that agree on all of them are rare
// (the full name is compared on a hit).
static inline size_t NameCacheSetOf(const void* pScope, LPCWSTR lpszName, int nLength, size_t nSets) {
  const uint64_t kMix = 0x9E3779B97F4A7C15ull;
  uint64_t h = (reinterpret_cast<uintptr_t>(pScope) >> 4) ^ static_cast<uint64_t>(nLength);
  if (nLength >= 4) {
    uint64_t first, last;
    std::memcpy(&first, lpszName, sizeof(first));
    std::memcpy(&last, lpszName + nLength - 4, sizeof(last));
    h = (h ^ first) * kMix;
    h = (h ^ last) * kMix;
  } else {
    for (int i = 0; i < nLength; i++) h = (h ^ lpszName[i]) * kMix;
  }
  h ^= h >> 29;
  h *= kMix;
  return (h >> 40) % nSets;
}

int CTKMarkupBuilder::NameCacheSet(const void* pScope, LPCWSTR lpszName, int nLength) {
  return static_cast<int>(NameCacheSetOf(pScope, lpszName, nLength, kNameCacheSize / 2));
}

// The result kept for the scope and name, or null; on a miss, *ppSlot is
// the entry to fill (null for names too long to keep). Two ways per set,
// the one used least recently filled next: a document's few dozen tag and
// attribute pairs then stay put even when two of them share a set.
void* CTKMarkupBuilder::FindCached(const void* pScope, LPCWSTR lpszName, int nLength, NameCacheEntry** ppSlot) {
  *ppSlot = nullptr;
  if (nLength < 0 || nLength >= kNameCacheLength) return nullptr;
  if (m_nameCache.empty() || CTKMarkupDependencyProperty::GetRegistryGeneration() != m_nNameCacheGeneration)
    CheckNameCache();
  size_t nSet = NameCacheSetOf(pScope, lpszName, nLength, kNameCacheSize / 2);
  NameCacheEntry* pSet = &m_nameCache[nSet * 2];
  for (int nWay = 0; nWay < 2; nWay++) {
    const NameCacheEntry& e = pSet[nWay];
    if (e.pScope == pScope && e.nLength == nLength && SameName(e.szName, lpszName, nLength)) {
      m_nameCacheRecent[nSet] = static_cast<unsigned char>(nWay);
      return e.pResult;
    }
  }
  int nVictim = 1 - m_nameCacheRecent[nSet];
  m_nameCacheRecent[nSet] = static_cast<unsigned char>(nVictim);
  *ppSlot = &pSet[nVictim];
  return nullptr;
}

static void CacheStore(CTKMarkupBuilder::NameCacheEntry* e, const void* pScope, LPCWSTR lpszName, int nLength,
                       void* pResult) {
  e->pScope = pScope;
  e->nLength = nLength;
  std::memcpy(e->szName, lpszName, nLength * sizeof(WCHAR));
  e->pResult = pResult;
}

CTKMarkupType* CTKMarkupBuilder::LookupTypeByTag(LPCWSTR lpszTag, int nLength) {
  NameCacheEntry* pSlot;
  if (void* pCached = FindCached(nullptr, lpszTag, nLength, &pSlot)) return static_cast<CTKMarkupType*>(pCached);
  CTKMarkupType* pType = CTKMarkupType::LookupTypeByTag(lpszTag, nLength);
  if (pSlot && pType) CacheStore(pSlot, nullptr, lpszTag, nLength, pType);
  return pType;
}

CTKMarkupDependencyProperty* CTKMarkupBuilder::FindPropertyByTag(LPCWSTR lpszTag, int nTagLength, LPCWSTR lpszName,
                                                                 int nNameLength) {
  CTKMarkupType* pType = LookupTypeByTag(lpszTag, nTagLength);
  if (!pType) return nullptr;
  return CTKMarkupType::FindProperty(pType, lpszName, nNameLength);
}

CTKMarkupDependencyProperty* CTKMarkupBuilder::FindAttributeProperty(CTKMarkupType* pType, LPCWSTR lpszName) {
  return FindAttributeProperty(pType, std::u16string_view(lpszName ? lpszName : u""));
}

CTKMarkupDependencyProperty* CTKMarkupBuilder::FindAttributeProperty(CTKMarkupType* pType, std::u16string_view name) {
  LPCWSTR lpszName = name.data();
  int n = static_cast<int>(name.size());
  NameCacheEntry* pSlot = nullptr;
  if (pType) {  // the null scope is for tags
    if (void* pCached = FindCached(pType, lpszName, n, &pSlot))
      return static_cast<CTKMarkupDependencyProperty*>(pCached);
  }
  CTKMarkupDependencyProperty* pProperty = nullptr;
  int nDot = -1;
  for (int i = 0; i < n && nDot < 0; i++)
    if (lpszName[i] == '.') nDot = i;
  if (nDot >= 0) pProperty = FindPropertyByTag(lpszName, nDot, lpszName + nDot + 1, n - nDot - 1);
  else pProperty = CTKMarkupType::FindProperty(pType, lpszName, n);
  if (pSlot && pProperty) CacheStore(pSlot, pType, lpszName, n, pProperty);
  return pProperty;
}

CTKMarkupObject* CTKMarkupBuilder::ConvertValue(CTKMarkupDependencyProperty* pProperty, CTKMarkupObject* pValue) {
  CTKMarkupPropertyMetadata* pMetadata = pProperty->GetMetadata();
  if (pMetadata && pMetadata->m_pConverter) {
    CTKMarkupObject* p = pMetadata->m_pConverter(this, pValue);
    if (p) return p;
  }
  CTKMarkupType* pType = pProperty->GetPropertyType();
  if (pType == CTKMarkupType::GetMarkupClass()) {
    // Types are named by their tag; no descriptor is made to convert.
    if (CTKMarkupObject* p = pType->ConvertFrom(this, pValue)) return p;
    pType = nullptr;
  }
  CTKMarkupObject* pConverter =
      pType ? (m_pMarkupContext ? m_pMarkupContext->CreateObject(pType) : pType->CreateInstance()) : nullptr;
  if (pConverter) {
    // A converter may raise a build error (path data does): the instance is
    // released however ConvertFrom ends.
    struct ReleaseGuard {
      CTKMarkupObject* p;
      ~ReleaseGuard() { p->Release(); }
    } guard{pConverter};
    if (CTKMarkupObject* p = pConverter->ConvertFrom(this, pValue)) return p;
  }
  ThrowBuildError(
      FormatStringWithArgs(u"Cannot convert string in attribute '%ls' to object of type '%ls'", pProperty->GetName(),
                           pProperty->GetPropertyType() ? pProperty->GetPropertyType()->GetClassName() : u""));
}

static bool StartsWith(std::u16string_view s, const char* prefix) {
  size_t n = std::strlen(prefix);
  if (s.size() < n) return false;
  for (size_t i = 0; i < n; i++)
    if (s[i] != static_cast<char16_t>(prefix[i])) return false;
  return true;
}

CTKMarkupObject* CTKMarkupBuilder::ExpandMarkupExtension(LPCWSTR lpszText) {
  return ExpandMarkupExtension(std::u16string_view(lpszText ? lpszText : u""));
}

CTKMarkupObject* CTKMarkupBuilder::ExpandMarkupExtension(std::u16string_view whole) {
  if (whole.empty() || whole.back() != u'}') ThrowBuildError(u"Markup extension expressions must end with '}'");
  std::u16string_view text = whole.substr(0, whole.size() - 1);  // without its '}'
  if (m_nExtensionDepth >= kMaxExtensionDepth) ThrowBuildError(u"Markup extension expressions are nested too deeply");
  struct DepthGuard {
    int& n;
    explicit DepthGuard(int& r) : n(r) { n++; }
    ~DepthGuard() { n--; }
  } guard(m_nExtensionDepth);

  if (StartsWith(text, "x:Static ")) {
    std::u16string member(text.substr(9));
    SystemColorCache* pCache = GetSystemColorCache();
    CTKMarkupObject* p = pCache->SystemColorFromName(member.c_str());
    if (!p) p = pCache->SystemBrushFromName(member.c_str());
    if (!p) p = pCache->SystemColorKeyFromName(member.c_str());
    if (!p) p = pCache->SystemBrushKeyFromName(member.c_str());
    if (!p) ThrowBuildError(FormatStringWithArg(u"Cannot find the static member  '%ls'", member.c_str()));
    return p;
  }
  if (StartsWith(text, "StaticResource ")) return FindResource(text.substr(15));
  if (StartsWith(text, "DynamicResource ")) return FindResource(text.substr(16));
  if (StartsWith(text, "x:Type ")) {
    std::u16string_view tag = text.substr(7);
    CTKMarkupType* pType = CTKMarkupType::LookupTypeByTag(tag.data(), static_cast<int>(tag.size()));
    if (!pType) ThrowBuildError(FormatStringWithArg(u"Cannot find type '%ls'", std::u16string(tag).c_str()));
    pType->AddRef();
    return pType;
  }
  ThrowBuildError(FormatStringWithArg(u"The tag '%ls' does not exist in XML namespace", std::u16string(text).c_str()));
}

CTKMarkupObject* CTKMarkupBuilder::ResolveType(LPCWSTR lpszTag) {
  CTKMarkupType* pType = CTKMarkupType::LookupTypeByTag(lpszTag);
  if (pType) pType->AddRef();
  return pType;
}

CTKMarkupObject* CTKMarkupBuilder::FindResource(LPCWSTR lpszKey) {
  return FindResource(std::u16string_view(lpszKey ? lpszKey : u""));
}

CTKMarkupObject* CTKMarkupBuilder::FindResource(std::u16string_view key) {
  while (!key.empty() && (key[0] == ' ' || key[0] == '\r' || key[0] == '\n')) key.remove_prefix(1);
  CTKMarkupObject* pKey;
  if (key.size() >= 2 && key[0] == '{' && key[1] == '}')
    pKey = CTKMarkupString::CreateString(key.data() + 2, static_cast<int>(key.size() - 2));
  else if (!key.empty() && key[0] == '{') pKey = ExpandMarkupExtension(key.substr(1));
  else pKey = CTKMarkupString::CreateString(key.data(), static_cast<int>(key.size()));

  CTKMarkupObject* pFound = nullptr;
  for (size_t i = m_arrStack.size(); i-- > 0 && !pFound;) {
    CTKMarkupObject* pOpen = m_arrStack[i];
    // Elements first: they are most of what is open.
    if (pOpen->IsOfType(CTKMarkupFrameworkElement::GetMarkupClass())) {
      pFound = FindOpenResource(i, pKey);
    } else if (pOpen->IsOfType(CTKMarkupObjectProperty::GetMarkupClass())) {
      CTKMarkupObject* pValue = static_cast<CTKMarkupObjectProperty*>(pOpen)->m_pValue;
      if (pValue) pFound = FindElementResource(pValue, pKey);
    } else if (pOpen->IsOfType(CTKMarkupFrameworkContentElement::GetMarkupClass()) ||
               pOpen->IsOfType(CTKMarkupStyle::GetMarkupClass())) {
      pFound = FindOpenResource(i, pKey);
    }
  }
  if (pFound) {
    pFound->AddRef();
    pKey->Release();
    return pFound;
  }
  if (CTKMarkupColorKey* pColorKey = MarkupDynamicCast<CTKMarkupColorKey>(pKey)) {
    int i = pColorKey->m_nIndex;
    pKey->Release();
    return GetSystemColorCache()->GetSystemColor(i);
  }
  if (CTKMarkupBrushKey* pBrushKey = MarkupDynamicCast<CTKMarkupBrushKey>(pKey)) {
    int i = pBrushKey->m_nIndex;
    pKey->Release();
    return GetSystemColorCache()->GetSystemBrush(i);
  }
  pKey->Release();
  ThrowBuildError(FormatStringWithArg(u"Cannot find resource named '%ls'. Resource names are case sensitive",
                                      std::u16string(key).c_str()));
}

void CTKMarkupBuilder::FlushText(BOOL bForStartTag) {
  CTKMarkupObject* pTop = Top();
  if (!m_strText.empty()) {
    if (bForStartTag && m_bPendingWhiteSpace) m_strText += u' ';
    m_pHandOver = CTKMarkupString::CreateString(m_strText.c_str(), static_cast<int>(m_strText.size()));
  } else if (bForStartTag && m_bPendingWhiteSpace && pTop->HasContent() && pTop->AllowWhiteSpaceContent()) {
    m_pHandOver = CTKMarkupString::CreateString(u" ", 1);
  }
  m_strText.clear();
  m_bPendingWhiteSpace = FALSE;
  if (m_pHandOver) {
    pTop->SetContentObject(this, m_pHandOver);
    m_pHandOver = nullptr;
  }
}

[[noreturn]] static void ThrowUnknownTag(std::u16string_view tag) {
  ThrowBuildError(FormatStringWithArg(u"The tag '%ls' does not exist in XML namespace", std::u16string(tag).c_str()));
}

void CTKMarkupBuilder::HandleStartTag(std::u16string_view tag) {
  if (m_arrStack.empty() && m_pRoot) ThrowBuildError(u"There are multiple root elements");
  if (!m_arrStack.empty()) FlushText(TRUE);
  if (static_cast<int>(m_arrStack.size()) >= kMaxDepth) ThrowBuildError(u"The elements are nested too deeply");
  LPCWSTR lpszTag = tag.data();
  int n = static_cast<int>(tag.size());
  size_t nDot = tag.find(u'.');
  if (nDot != std::u16string_view::npos) {
    int nTag = static_cast<int>(nDot);
    CTKMarkupDependencyProperty* pProperty = FindPropertyByTag(lpszTag, nTag, lpszTag + nTag + 1, n - nTag - 1);
    if (!pProperty || m_arrStack.empty()) ThrowUnknownTag(tag);
    CTKMarkupObject* pObject = new CTKMarkupObjectProperty(pProperty);
    Push(pObject);
    m_arrOpenLevels.back().nTagLength = n;
    pObject->SetTagName(std::u16string(tag).c_str());
    return;
  }
  CTKMarkupType* pType = LookupTypeByTag(lpszTag, n);
  CTKMarkupObject* pObject = !pType             ? nullptr
                             : m_pMarkupContext ? m_pMarkupContext->CreateObject(pType)
                                                : pType->CreateInstance();
  if (!pObject) ThrowUnknownTag(tag);
  Push(pObject);
  m_arrOpenLevels.back().nTagLength = n;
  // The type was found under exactly this tag: its descriptor's text lives
  // as long as the program.
  pObject->SetStaticTagName(pType->GetTagName());
}

void CTKMarkupBuilder::HandleAttribute(std::u16string_view name, std::u16string_view value) {
  CTKMarkupObject* pTop = Top();
  if (!pTop) ThrowBuildError(u"Unexpected error");
  if (name.substr(0, 5) == u"xmlns") return;
  CTKMarkupDependencyProperty* pProperty = FindAttributeProperty(pTop->GetType(), name);
  if (!pProperty)
    ThrowBuildError(
        FormatStringWithArg(u"The property '%ls' does not exist in XML namespace", std::u16string(name).c_str()));
  LPCWSTR lpszValue = value.data();
  int nValueLength = static_cast<int>(value.size());
  CTKMarkupObject* pValue;
  if (nValueLength >= 2 && lpszValue[0] == '{' && lpszValue[1] == '}') {
    pValue = CTKMarkupString::CreateString(lpszValue + 2, nValueLength - 2);
  } else if (nValueLength >= 1 && lpszValue[0] == '{') {
    pValue = ExpandMarkupExtension(value.substr(1));
    if (!pValue) pValue = CTKMarkupString::CreateString(lpszValue, nValueLength);
  } else {
    pValue = CTKMarkupString::CreateString(lpszValue, nValueLength);
  }
  m_pHandOver = pValue;
  pTop->SetPropertyObject(this, pProperty, pValue);
  m_pHandOver = nullptr;
}

void CTKMarkupBuilder::HandleEndTag(std::u16string_view tag) {
  if (m_arrStack.empty()) ThrowBuildError(u"Unexpected end tag");
  int nOpenLength = m_arrOpenLevels.back().nTagLength;
  CTKMarkupObject* pPopped = Pop();
  // Until it is handed on, the popped element belongs to the root slot so
  // that an error releases it.
  MarkupRelease(m_pRoot);
  m_pRoot = pPopped;
  LPCWSTR lpszOpen = pPopped->GetTagName();
  bool bSame = lpszOpen ? static_cast<size_t>(nOpenLength) == tag.size() && SameName(lpszOpen, tag.data(), nOpenLength)
                        : tag.empty();
  if (!lpszOpen) lpszOpen = u"";
  if (!bSame)
    ThrowBuildError(FormatStringWithArgs(u"The '%ls' start tag does not match the end tag of '%ls'", lpszOpen,
                                         std::u16string(tag).c_str()));
  if (!m_strText.empty()) {
    m_pHandOver = CTKMarkupString::CreateString(m_strText.c_str(), static_cast<int>(m_strText.size()));
    m_strText.clear();
    m_bPendingWhiteSpace = FALSE;
    pPopped->SetContentObject(this, m_pHandOver);
    m_pHandOver = nullptr;
  }
  m_strText.clear();
  m_bPendingWhiteSpace = FALSE;
  if (pPopped->GetType() == CTKMarkupObjectProperty::GetMarkupClass()) {
    CTKMarkupObjectProperty* pPropertyElement = static_cast<CTKMarkupObjectProperty*>(pPopped);
    if (!pPropertyElement->m_pValue)
      ThrowBuildError(
          FormatStringWithArg(u"'%ls' property does not have a value", pPropertyElement->m_pProperty->GetName()));
    m_pHandOver = pPropertyElement->m_pValue;
    pPropertyElement->m_pValue = nullptr;
    Top()->SetPropertyObject(this, pPropertyElement->m_pProperty, m_pHandOver);
    m_pHandOver = nullptr;
    MarkupRelease(m_pRoot);
    return;
  }
  if (m_arrStack.empty()) return;  // pPopped stays the root candidate
  m_pRoot = nullptr;
  m_pHandOver = pPopped;
  Top()->SetContentObject(this, pPopped);
  m_pHandOver = nullptr;
}

CTKMarkupObject* CTKMarkupBuilder::BuildFromTokens(CTKMarkupParser* pParser) {
  m_strLastError.Empty();
  ReleaseAll();
  if (!pParser->SkipToFirstTag()) {
    m_strLastError = u"Data at the root level is invalid";
    return nullptr;
  }
  try {
    for (bool done = false; !done;) {
      int nToken = pParser->NextToken();
      switch (nToken) {
        case CTKMarkupParser::tokenStartTag:
          HandleStartTag(pParser->GetTagNameView());
          break;
        case CTKMarkupParser::tokenAttribute:
          HandleAttribute(pParser->GetAttributeNameView(), pParser->GetValueView());
          break;
        case CTKMarkupParser::tokenText: {
          CTKMarkupObject* pTop = Top();
          if (!pTop) ThrowBuildError(u"Data at the root level is invalid");
          if (m_bPendingWhiteSpace && (!m_strText.empty() || pTop->HasContent())) m_strText += u' ';
          m_bPendingWhiteSpace = FALSE;
          m_strText.append(pParser->GetValueView());
          // The rest of the run in one call, joined as the tokens would be.
          m_bPendingWhiteSpace = pParser->AppendTextRun(m_strText);
          break;
        }
        case CTKMarkupParser::tokenWhiteSpace:
          m_bPendingWhiteSpace = TRUE;
          break;
        case CTKMarkupParser::tokenEndTag:
          HandleEndTag(pParser->GetTagNameView());
          break;
        case CTKMarkupParser::tokenPIEnd: {
          std::u16string_view body = pParser->GetValueView();
          size_t at = body.find(u"encoding");
          if (at != std::u16string_view::npos && body.size() >= at + 15 && body.substr(at + 10, 5) == u"utf-8")
            pParser->m_nCodePage = 65001;
          break;
        }
        case CTKMarkupParser::tokenError:
          ThrowBuildError(FormatStringWithArg(u"%ls", pParser->GetValueText()));
        case CTKMarkupParser::tokenEOF:
          if (!m_arrStack.empty()) {
            LPCWSTR lpszOpen = Top()->GetTagName() ? Top()->GetTagName() : u"";
            ThrowBuildError(FormatStringWithArg(
                u"Unexpected end of file has occurred. The following elements are not closed: '%ls'", lpszOpen));
          }
          if (!m_pRoot) ThrowBuildError(u"Root element is missing");
          done = true;
          break;
        default:
          break;  // comments, CDATA sections and processing instructions add nothing
      }
    }
  } catch (CTKMarkupBuilderException* e) {
    WCHAR szMessage[512];
    e->GetErrorMessage(szMessage, 512);
    e->Delete();
    m_strLastError.Format(u"%s. Line %i, position %i", szMessage, pParser->GetLine() + 1, pParser->GetColumn() + 1);
    ReleaseAll();
    return nullptr;
  }
  CTKMarkupObject* pRoot = m_pRoot;
  m_pRoot = nullptr;
  if (!pRoot->IsOfType(CTKMarkupUIElement::GetMarkupClass())) {
    m_strLastError = u"Root element have to be 'CTKMarkupUIElement' type";
    pRoot->Release();
    return nullptr;
  }
  CTKMarkupInputElement::ApplyStyles(pRoot);
  return pRoot;
}
