// The markup builder: turns the parser's tokens into a tree of markup
// objects, with property elements, markup extensions and resources, and
// reports the first error with its line and position.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/base/cstring.h"
#include "platform/base/exceptions.h"
#include "toolkit/markup/markupobject.h"

class CTKMarkupParser;
class CTKMarkupContext;
class SystemColorCache;

// Formats a message printf-style with one string argument ("%ls" takes a
// 16-bit string); the two- and three-argument forms serve the messages
// that name several classes.
CString FormatStringWithArg(LPCWSTR lpszFormat, LPCWSTR lpszArg);
CString FormatStringWithArgs(LPCWSTR lpszFormat, LPCWSTR lpszArg1, LPCWSTR lpszArg2);
CString FormatStringWithArgs(LPCWSTR lpszFormat, LPCWSTR lpszArg1, LPCWSTR lpszArg2, LPCWSTR lpszArg3);

// A build error; thrown as a heap pointer like the framework's exceptions
// and caught (and deleted) by the builder.
class CTKMarkupBuilderException : public CSimpleException {
 public:
  explicit CTKMarkupBuilderException(LPCWSTR lpszMessage);
  BOOL GetErrorMessage(LPTSTR lpszError, UINT nMaxError, PUINT pnHelpContext = nullptr) const override;
  LPCWSTR GetMessage() const { return m_szMessage; }

 protected:
  LPCTSTR Message() const override { return m_szMessage; }

 private:
  WCHAR m_szMessage[256];
};

[[noreturn]] void ThrowBuildError(LPCWSTR lpszMessage);

// The open property element (a tag, a dot and a property name).
class CTKMarkupObjectProperty : public CTKMarkupObject {
  TK_DECLARE_MARKUPCLASS(CTKMarkupObjectProperty)
 public:
  explicit CTKMarkupObjectProperty(CTKMarkupDependencyProperty* pProperty = nullptr) : m_pProperty(pProperty) {}
  ~CTKMarkupObjectProperty() override;
  void SetContentObject(CTKMarkupBuilder* pBuilder, CTKMarkupObject* pContent) override;

  CTKMarkupObject* m_pValue = nullptr;
  CTKMarkupObject* m_pBuilding = nullptr;
  CTKMarkupDependencyProperty* m_pProperty;
};

class CTKMarkupBuilder {
 public:
  // Limits that keep any input to a tree or a clean error: elements open at
  // once, and markup extensions nested inside resource keys.
  static const int kMaxDepth = 256;
  static const int kMaxExtensionDepth = 8;

  // Names met again and again in one build (tags, attributes) are looked
  // up once: a small direct-mapped cache, keyed by the scope (a type, or
  // none for tags) and the name, emptied when the registry changes.
  static const int kNameCacheLength = 32;
  struct NameCacheEntry {
    const void* pScope = nullptr;
    void* pResult = nullptr;
    int nLength = -1;
    WCHAR szName[kNameCacheLength];
  };

  explicit CTKMarkupBuilder(CTKMarkupContext* pContext);
  virtual ~CTKMarkupBuilder();
  CTKMarkupBuilder(const CTKMarkupBuilder&) = delete;
  CTKMarkupBuilder& operator=(const CTKMarkupBuilder&) = delete;

  CTKMarkupObject* BuildFromTokens(CTKMarkupParser* pParser);
  // The set of the name cache a scope and name fall into (tests put names
  // into one set with it).
  static int NameCacheSet(const void* pScope, LPCWSTR lpszName, int nLength);
  const CString& GetLastErrorText() const { return m_strLastError; }

  CTKMarkupContext* GetMarkupContext() const { return m_pMarkupContext; }
  CTKMarkupObject* CreateObjectFromTag(LPCWSTR lpszTag);
  CTKMarkupType* LookupTypeByTag(LPCWSTR lpszTag, int nLength);
  CTKMarkupDependencyProperty* FindPropertyByTag(LPCWSTR lpszTag, int nTagLength, LPCWSTR lpszName, int nNameLength);
  CTKMarkupDependencyProperty* FindAttributeProperty(CTKMarkupType* pType, LPCWSTR lpszName);
  CTKMarkupDependencyProperty* FindAttributeProperty(CTKMarkupType* pType, std::u16string_view name);
  // Throws the conversion error when the value cannot be converted.
  CTKMarkupObject* ConvertValue(CTKMarkupDependencyProperty* pProperty, CTKMarkupObject* pValue);
  // The text after the opening '{', up to and with the closing '}'.
  CTKMarkupObject* ExpandMarkupExtension(LPCWSTR lpszText);
  CTKMarkupObject* ExpandMarkupExtension(std::u16string_view text);
  CTKMarkupObject* FindResource(LPCWSTR lpszKey);
  CTKMarkupObject* FindResource(std::u16string_view key);
  CTKMarkupObject* ResolveType(LPCWSTR lpszTag);
  SystemColorCache* GetSystemColorCache();

 private:
  struct OpenLevel;
  CTKMarkupObject* FindOpenResource(size_t nIndex, const CTKMarkupObject* pKey);
  void Push(CTKMarkupObject* pObject);
  CTKMarkupObject* Pop();
  CTKMarkupObject* Top() const { return m_arrStack.empty() ? nullptr : m_arrStack.back(); }
  void FlushText(BOOL bForStartTag);
  // Names and values are the parser's views into the text.
  void HandleStartTag(std::u16string_view tag);
  void HandleAttribute(std::u16string_view name, std::u16string_view value);
  void HandleEndTag(std::u16string_view tag);
  void ReleaseAll();

  static const int kNameCacheSize = 256;
  void* FindCached(const void* pScope, LPCWSTR lpszName, int nLength, NameCacheEntry** ppSlot);
  void CheckNameCache();
  std::vector<NameCacheEntry> m_nameCache;
  std::vector<unsigned char> m_nameCacheRecent;  // per set, the way used last
  unsigned m_nNameCacheGeneration = 0;

  CString m_strLastError;
  CTKMarkupContext* m_pMarkupContext;
  SystemColorCache* m_pSystemColorCache;
  std::vector<CTKMarkupObject*> m_arrStack;
  // The resource level of each open element, read when first searched; an
  // element changes only while it is the innermost one, which is always
  // read afresh.
  std::vector<OpenLevel> m_arrOpenLevels;

  // State of one build.
  std::u16string m_strText;
  BOOL m_bPendingWhiteSpace = FALSE;
  CTKMarkupObject* m_pRoot = nullptr;
  CTKMarkupObject* m_pHandOver = nullptr;
  int m_nExtensionDepth = 0;
};
