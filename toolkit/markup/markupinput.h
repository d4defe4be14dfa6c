// Routed events, their argument records, delegates and the input element:
// the base of every markup element that takes part in input, styles and
// triggers.
#pragma once

#include <unordered_map>
#include <vector>

#include "toolkit/markup/markupobject.h"

class CTKMarkupContext;
class CTKMarkupInputElement;
class CTKMarkupStyle;
class CTKMarkupActiveTriggerCollection;
class CTKMarkupRoutedEventArgs;
class CTKMarkupMouseEventArgs;
class CTKMarkupMouseButtonEventArgs;
class CTKMarkupQueryCursorEventArgs;
class CTKMarkupMouseWheelEventArgs;

enum { RoutingBubble = 1 };

class CTKMarkupRoutedEvent : public CTKMarkupDependencyProperty {
 public:
  CTKMarkupRoutedEvent(LPCWSTR lpszName, CTKMarkupType* pOwnerType, DWORD dwRoutingFlags);
  BOOL IsEvent() const override { return TRUE; }
  DWORD GetRoutingFlags() const { return GetFlags(); }
  static CTKMarkupRoutedEvent* RegisterRoutedEvent(LPCWSTR lpszName, DWORD dwRoutingFlags, CTKMarkupType* pOwnerType);
};

class CTKMarkupRoutedEventArgs : public CTKMarkupObject {
 public:
  CTKMarkupRoutedEventArgs(CTKMarkupRoutedEvent* pEvent, CTKMarkupInputElement* pSource)
      : m_pEvent(pEvent), m_pSource(pSource), m_bHandled(FALSE) {}
  CTKMarkupRoutedEvent* m_pEvent;
  CTKMarkupInputElement* m_pSource;
  BOOL m_bHandled;
};

class CTKMarkupMouseEventArgs : public CTKMarkupRoutedEventArgs {
 public:
  CTKMarkupMouseEventArgs(CTKMarkupRoutedEvent* pEvent, CTKMarkupInputElement* pSource, HWND hWnd, int x, int y)
      : CTKMarkupRoutedEventArgs(pEvent, pSource), m_hWnd(hWnd), m_x(x), m_y(y) {}
  // The point in the element's own coordinates.
  POINT GetPosition(CTKMarkupInputElement* pElement) const;
  HWND m_hWnd;
  int m_x;
  int m_y;
};

class CTKMarkupMouseButtonEventArgs : public CTKMarkupMouseEventArgs {
 public:
  using CTKMarkupMouseEventArgs::CTKMarkupMouseEventArgs;
};

class CTKMarkupQueryCursorEventArgs : public CTKMarkupMouseEventArgs {
 public:
  CTKMarkupQueryCursorEventArgs(CTKMarkupInputElement* pSource, HWND hWnd, int x, int y)
      : CTKMarkupMouseEventArgs(nullptr, pSource, hWnd, x, y), m_hCursor(nullptr) {}
  HCURSOR m_hCursor;
};

class CTKMarkupMouseWheelEventArgs : public CTKMarkupMouseEventArgs {
 public:
  CTKMarkupMouseWheelEventArgs(CTKMarkupInputElement* pSource, HWND hWnd, int nDelta)
      : CTKMarkupMouseEventArgs(nullptr, pSource, hWnd, 0, 0), m_nDelta(nDelta) {}
  int m_nDelta;
};

// A handler object: routed events reach it through Execute.
class CTKMarkupDelegate : public CTKMarkupObject {
 public:
  virtual void Execute(CTKMarkupObject* pSender, CTKMarkupRoutedEventArgs* pArgs) = 0;
};

template <class T>
class CTKMarkupClassDelegate : public CTKMarkupDelegate {
 public:
  typedef void (T::*PFNDELEGATEMETHOD)(CTKMarkupObject* pSender, CTKMarkupRoutedEventArgs* pArgs);
  CTKMarkupClassDelegate(T* pObject, PFNDELEGATEMETHOD pfnMethod) : m_pObject(pObject), m_pfnMethod(pfnMethod) {}
  void Execute(CTKMarkupObject* pSender, CTKMarkupRoutedEventArgs* pArgs) override {
    (m_pObject->*m_pfnMethod)(pSender, pArgs);
  }

 private:
  T* m_pObject;
  PFNDELEGATEMETHOD m_pfnMethod;
};

// Per-event delegate lists of an element or a context.
class CTKMarkupEventHandlers {
 public:
  ~CTKMarkupEventHandlers();
  void Add(CTKMarkupRoutedEvent* pEvent, CTKMarkupDelegate* pDelegate);
  // A copy of the list (each entry referenced), so a handler may change it.
  std::vector<CTKMarkupDelegate*> Get(CTKMarkupRoutedEvent* pEvent) const;
  void Clear();

 private:
  std::unordered_map<CTKMarkupRoutedEvent*, std::vector<CTKMarkupDelegate*>> m_map;
};

class CTKMarkupInputElement : public CTKMarkupInlineStoreObject {
  TK_DECLARE_MARKUPCLASS(CTKMarkupInputElement)
 public:
  CTKMarkupInputElement();
  ~CTKMarkupInputElement() override;
  CTKMarkupObject* ReadLocalValue(CTKMarkupDependencyProperty* pProperty) const override;
  bool ReadsStoredValuesOnly() const override;
  bool ChangesGoUnseen(CTKMarkupDependencyProperty* pProperty) const override;
  void SetPropertyObject(CTKMarkupBuilder* pBuilder, CTKMarkupDependencyProperty* pProperty,
                         CTKMarkupObject* pValue) override;
  void OnFinalRelease() override;

  // Class handlers, called by the context.
  virtual void OnMouseLeave(CTKMarkupMouseEventArgs* e);
  virtual void OnMouseEnter(CTKMarkupMouseEventArgs* e);
  virtual void OnMouseMove(CTKMarkupMouseEventArgs* e) {}
  virtual void OnQueryCursor(CTKMarkupQueryCursorEventArgs* e);
  virtual void OnMouseLeftButtonUp(CTKMarkupMouseButtonEventArgs* e) {}
  virtual void OnMouseRightButtonUp(CTKMarkupMouseButtonEventArgs* e) {}
  virtual void OnMouseLeftButtonDown(CTKMarkupMouseButtonEventArgs* e) {}
  virtual void OnMouseRightButtonDown(CTKMarkupMouseButtonEventArgs* e) {}
  virtual void OnLostMouseCapture(CTKMarkupMouseEventArgs* e) {}
  virtual void OnMouseWheel(CTKMarkupMouseWheelEventArgs* e) {}
  virtual CTKMarkupInputElement* InputHitTest(int x, int y) { return nullptr; }
  // Finds the implicit style when there is none and applies the triggers.
  // ApplyStyles calls it on every element while some dictionary holds a
  // type key, else only on the elements with a style of their own, and on
  // none while no element's style may have triggers.
  virtual void OnApplyStyle();
  // The implicit style an element of pType would find as a logical child of
  // this element with no resources or style of its own (from the style
  // walk's chain while the walk visits this element); null when none.
  CTKMarkupStyle* FindImplicitStyleBelow(CTKMarkupType* pType);

  static void RegisterMarkupDependencyProperties();

  void AddHandler(CTKMarkupRoutedEvent* pEvent, CTKMarkupDelegate* pDelegate);
  void RaiseEvent(CTKMarkupRoutedEventArgs* pArgs);
  void CaptureMouse();
  void ReleaseMouseCapture();
  void Focus();
  // Styles the tree below pRoot, children before their parent.
  static void ApplyStyles(CTKMarkupObject* pRoot);
  void ApplyTriggers(CTKMarkupDependencyProperty* pProperty, CTKMarkupObject* pNewValue);
  // Calls the delegates of this element for the event; FALSE when there are none.
  void CallHandlers(CTKMarkupRoutedEventArgs* pArgs);

  CTKMarkupContext* GetMarkupContext() const { return m_pMarkupContext; }
  void SetMarkupContext(CTKMarkupContext* pContext) { m_pMarkupContext = pContext; }
  CTKMarkupStyle* GetStyle() const { return m_pStyle; }
  // The style whose setters and triggers apply (no reference is held).
  void SetStyleInUse(CTKMarkupStyle* pStyle);
  CTKMarkupActiveTriggerCollection* GetActiveTriggers() const { return m_pActiveTriggers; }
  CTKMarkupActiveTriggerCollection* EnsureActiveTriggers();
  CTKMarkupProperties* GetTriggerProperties() const { return m_pTriggerProperties; }
  CTKMarkupProperties* EnsureTriggerProperties();
  BOOL IsMouseOver() const;

  static CTKMarkupDependencyProperty* m_pCursorProperty;
  static CTKMarkupDependencyProperty* m_pIsMouseOverProperty;
  static CTKMarkupDependencyProperty* m_pResourcesProperty;
  static CTKMarkupDependencyProperty* m_pStyleProperty;
  static CTKMarkupDependencyProperty* m_pIsKeyboardFocusedProperty;
  static CTKMarkupDependencyProperty* m_pIsFocusableProperty;
  static CTKMarkupDependencyProperty* m_pToolTipProperty;

  static CTKMarkupRoutedEvent* m_pMouseLeaveEvent;
  static CTKMarkupRoutedEvent* m_pMouseEnterEvent;
  static CTKMarkupRoutedEvent* m_pMouseLeftButtonUpEvent;
  static CTKMarkupRoutedEvent* m_pMouseLeftButtonDownEvent;
  static CTKMarkupRoutedEvent* m_pMouseRightButtonUpEvent;
  static CTKMarkupRoutedEvent* m_pMouseRightButtonDownEvent;
  static CTKMarkupRoutedEvent* m_pMouseMoveEvent;
  static CTKMarkupRoutedEvent* m_pLostMouseCaptureEvent;

  // Re-entrant trigger switching (a trigger whose setter changes the
  // property of another trigger) stops at this depth instead of recursing
  // without end.
  static const int kMaxTriggerDepth = 16;

 protected:
  CTKMarkupEventHandlers* m_pHandlers;
  CTKMarkupContext* m_pMarkupContext;
  CTKMarkupActiveTriggerCollection* m_pActiveTriggers;
  CTKMarkupProperties* m_pTriggerProperties;
  CTKMarkupStyle* m_pStyle;  // set through SetStyleInUse only
  int m_nTriggerDepth;
  // Counted among the elements whose style may have triggers to apply.
  bool m_bStyleMayTrigger = false;
};

class CTKMarkupKeyboardNavigation : public CTKMarkupObject {
  TK_DECLARE_MARKUPCLASS(CTKMarkupKeyboardNavigation)
 public:
  explicit CTKMarkupKeyboardNavigation(CTKMarkupContext* pContext = nullptr) : m_pContext(pContext) {}
  ~CTKMarkupKeyboardNavigation() override;
  static void RegisterMarkupDependencyProperties();
  // Keyboard focus moves are not performed: every message is left unhandled.
  BOOL OnHookMessage(UINT nMessage, WPARAM wParam, LPARAM lParam, LRESULT& lResult) { return FALSE; }
  void Focus(CTKMarkupInputElement* pElement) {}

  static CTKMarkupDependencyProperty* m_pIsTabStopProperty;
  static CTKMarkupDependencyProperty* m_pTabNavigationProperty;
  static CTKMarkupDependencyProperty* m_pTabIndexProperty;

 private:
  CTKMarkupObject* m_pFocused = nullptr;
  CTKMarkupObject* m_pLastFocused = nullptr;
  CTKMarkupContext* m_pContext;
};
