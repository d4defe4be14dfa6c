// The explicit registration step of the markup type descriptors. Every
// descriptor accessor runs it first, so the descriptors exist before any use
// whatever order the program's static initialisers run in; the table order
// is fixed, and properties are registered later, base types first, by
// CTKMarkupType::EnsureRegistered (store indexes stay dense).
#include <mutex>

#include "toolkit/markup/markupbuilder.h"
#include "toolkit/markup/markupconverters.h"
#include "toolkit/markup/markupelements.h"
#include "toolkit/markup/markupinput.h"
#include "toolkit/markup/markupobject.h"
#include "toolkit/markup/markupscrollviewer.h"
#include "toolkit/markup/markupstyle.h"
#include "toolkit/markup/markuptext.h"

void MarkupRegisterTypes() {
  // Another thread asking meanwhile waits until the whole table is made. The
  // body only stores the accessors, it never calls one, so it cannot
  // re-enter itself.
  static std::once_flag once;
  std::call_once(once, [] {
    CTKMarkupDependencyProperty::s_pMarkupType =
        new CTKMarkupType(nullptr, u"CTKMarkupDependencyProperty", &CTKMarkupDependencyProperty::CreateMarkupObject,
                          &CTKMarkupObject::GetMarkupClass, nullptr);
    CTKMarkupType::s_pMarkupType = new CTKMarkupType(nullptr, u"CTKMarkupType", &CTKMarkupType::CreateMarkupObject,
                                                     &CTKMarkupObject::GetMarkupClass, nullptr);
    CTKMarkupObject::s_pMarkupType =
        new CTKMarkupType(nullptr, u"CTKMarkupObject", &CTKMarkupObject::CreateMarkupObject, nullptr,
                          &CTKMarkupObject::RegisterMarkupDependencyProperties);
    CTKMarkupInt::s_pMarkupType = new CTKMarkupType(nullptr, u"CTKMarkupInt", &CTKMarkupInt::CreateMarkupObject,
                                                    &CTKMarkupObject::GetMarkupClass, nullptr);
    CTKMarkupDouble::s_pMarkupType = new CTKMarkupType(
        nullptr, u"CTKMarkupDouble", &CTKMarkupDouble::CreateMarkupObject, &CTKMarkupObject::GetMarkupClass, nullptr);
    CTKMarkupEnum::s_pMarkupType = new CTKMarkupType(nullptr, u"CTKMarkupEnum", &CTKMarkupEnum::CreateMarkupObject,
                                                     &CTKMarkupObject::GetMarkupClass, nullptr);
    CTKMarkupBool::s_pMarkupType = new CTKMarkupType(nullptr, u"CTKMarkupBool", &CTKMarkupBool::CreateMarkupObject,
                                                     &CTKMarkupObject::GetMarkupClass, nullptr);
    CTKMarkupColor::s_pMarkupType = new CTKMarkupType(u"Color", u"CTKMarkupColor", &CTKMarkupColor::CreateMarkupObject,
                                                      &CTKMarkupObject::GetMarkupClass, nullptr);
    CTKMarkupString::s_pMarkupType = new CTKMarkupType(
        nullptr, u"CTKMarkupString", &CTKMarkupString::CreateMarkupObject, &CTKMarkupObject::GetMarkupClass, nullptr);
    CTKMarkupCollection::s_pMarkupType =
        new CTKMarkupType(nullptr, u"CTKMarkupCollection", &CTKMarkupCollection::CreateMarkupObject,
                          &CTKMarkupObject::GetMarkupClass, nullptr);
    CTKMarkupDoubleCollection::s_pMarkupType =
        new CTKMarkupType(u"DoubleCollection", u"CTKMarkupDoubleCollection",
                          &CTKMarkupDoubleCollection::CreateMarkupObject, &CTKMarkupObject::GetMarkupClass, nullptr);
    CTKMarkupFrameworkContentElement::s_pMarkupType =
        new CTKMarkupType(u"FrameworkContentElement", u"CTKMarkupFrameworkContentElement",
                          &CTKMarkupFrameworkContentElement::CreateMarkupObject, &CTKMarkupInputElement::GetMarkupClass,
                          &CTKMarkupFrameworkContentElement::RegisterMarkupDependencyProperties);
    CTKMarkupTextElement::s_pMarkupType = new CTKMarkupType(
        u"TextElement", u"CTKMarkupTextElement", &CTKMarkupTextElement::CreateMarkupObject,
        &CTKMarkupFrameworkContentElement::GetMarkupClass, &CTKMarkupTextElement::RegisterMarkupDependencyProperties);
    CTKMarkupInline::s_pMarkupType =
        new CTKMarkupType(nullptr, u"CTKMarkupInline", &CTKMarkupInline::CreateMarkupObject,
                          &CTKMarkupTextElement::GetMarkupClass, &CTKMarkupInline::RegisterMarkupDependencyProperties);
    CTKMarkupRun::s_pMarkupType =
        new CTKMarkupType(u"Run", u"CTKMarkupRun", &CTKMarkupRun::CreateMarkupObject, &CTKMarkupInline::GetMarkupClass,
                          &CTKMarkupRun::RegisterMarkupDependencyProperties);
    CTKMarkupLineBreak::s_pMarkupType =
        new CTKMarkupType(u"LineBreak", u"CTKMarkupLineBreak", &CTKMarkupLineBreak::CreateMarkupObject,
                          &CTKMarkupRun::GetMarkupClass, nullptr);
    CTKMarkupInlineCollection::s_pMarkupType =
        new CTKMarkupType(nullptr, u"CTKMarkupInlineCollection", &CTKMarkupInlineCollection::CreateMarkupObject,
                          &CTKMarkupCollection::GetMarkupClass, nullptr);
    CTKMarkupSpan::s_pMarkupType = new CTKMarkupType(u"Span", u"CTKMarkupSpan", &CTKMarkupSpan::CreateMarkupObject,
                                                     &CTKMarkupInline::GetMarkupClass, nullptr);
    CTKMarkupBold::s_pMarkupType = new CTKMarkupType(u"Bold", u"CTKMarkupBold", &CTKMarkupBold::CreateMarkupObject,
                                                     &CTKMarkupSpan::GetMarkupClass, nullptr);
    CTKMarkupHyperlink::s_pMarkupType =
        new CTKMarkupType(u"Hyperlink", u"CTKMarkupHyperlink", &CTKMarkupHyperlink::CreateMarkupObject,
                          &CTKMarkupSpan::GetMarkupClass, &CTKMarkupHyperlink::RegisterMarkupDependencyProperties);
    CTKMarkupItalic::s_pMarkupType = new CTKMarkupType(
        u"Italic", u"CTKMarkupItalic", &CTKMarkupItalic::CreateMarkupObject, &CTKMarkupSpan::GetMarkupClass, nullptr);
    CTKMarkupUnderline::s_pMarkupType =
        new CTKMarkupType(u"Underline", u"CTKMarkupUnderline", &CTKMarkupUnderline::CreateMarkupObject,
                          &CTKMarkupSpan::GetMarkupClass, nullptr);
    CTKMarkupInlineUIContainer::s_pMarkupType =
        new CTKMarkupType(u"InlineUIContainer", u"CTKMarkupInlineUIContainer",
                          &CTKMarkupInlineUIContainer::CreateMarkupObject, &CTKMarkupInline::GetMarkupClass, nullptr);
    CTKMarkupObjectProperty::s_pMarkupType =
        new CTKMarkupType(nullptr, u"CTKMarkupObjectProperty", &CTKMarkupObjectProperty::CreateMarkupObject,
                          &CTKMarkupObject::GetMarkupClass, nullptr);
    CTKMarkupColorKey::s_pMarkupType =
        new CTKMarkupType(nullptr, u"CTKMarkupColorKey", &CTKMarkupColorKey::CreateMarkupObject,
                          &CTKMarkupObject::GetMarkupClass, nullptr);
    CTKMarkupBrushKey::s_pMarkupType =
        new CTKMarkupType(nullptr, u"CTKMarkupBrushKey", &CTKMarkupBrushKey::CreateMarkupObject,
                          &CTKMarkupObject::GetMarkupClass, nullptr);
    CTKMarkupResourceDictionary::s_pMarkupType =
        new CTKMarkupType(nullptr, u"CTKMarkupResourceDictionary", &CTKMarkupResourceDictionary::CreateMarkupObject,
                          &CTKMarkupObject::GetMarkupClass, nullptr);
    CTKMarkupSetter::s_pMarkupType =
        new CTKMarkupType(u"Setter", u"CTKMarkupSetter", &CTKMarkupSetter::CreateMarkupObject,
                          &CTKMarkupObject::GetMarkupClass, &CTKMarkupSetter::RegisterMarkupDependencyProperties);
    CTKMarkupSetterColection::s_pMarkupType =
        new CTKMarkupType(nullptr, u"CTKMarkupSetterColection", &CTKMarkupSetterColection::CreateMarkupObject,
                          &CTKMarkupCollection::GetMarkupClass, nullptr);
    CTKMarkupStyle::s_pMarkupType =
        new CTKMarkupType(u"Style", u"CTKMarkupStyle", &CTKMarkupStyle::CreateMarkupObject,
                          &CTKMarkupObject::GetMarkupClass, &CTKMarkupStyle::RegisterMarkupDependencyProperties);
    CTKMarkupTrigger::s_pMarkupType =
        new CTKMarkupType(u"Trigger", u"CTKMarkupTrigger", &CTKMarkupTrigger::CreateMarkupObject,
                          &CTKMarkupObject::GetMarkupClass, &CTKMarkupTrigger::RegisterMarkupDependencyProperties);
    CTKMarkupTriggerCollection::s_pMarkupType =
        new CTKMarkupType(nullptr, u"CTKMarkupTriggerCollection", &CTKMarkupTriggerCollection::CreateMarkupObject,
                          &CTKMarkupCollection::GetMarkupClass, nullptr);
    CTKMarkupInputElement::s_pMarkupType =
        new CTKMarkupType(nullptr, u"CTKMarkupInputElement", &CTKMarkupInputElement::CreateMarkupObject,
                          &CTKMarkupObject::GetMarkupClass, &CTKMarkupInputElement::RegisterMarkupDependencyProperties);
    CTKMarkupFrameworkElement::s_pMarkupType = new CTKMarkupType(
        u"FrameworkElement", u"CTKMarkupFrameworkElement", &CTKMarkupFrameworkElement::CreateMarkupObject,
        &CTKMarkupUIElement::GetMarkupClass, &CTKMarkupFrameworkElement::RegisterMarkupDependencyProperties);
    CTKMarkupBrush::s_pMarkupType = new CTKMarkupType(nullptr, u"CTKMarkupBrush", &CTKMarkupBrush::CreateMarkupObject,
                                                      &CTKMarkupObject::GetMarkupClass, nullptr);
    CTKMarkupSolidColorBrush::s_pMarkupType = new CTKMarkupType(
        u"SolidColorBrush", u"CTKMarkupSolidColorBrush", &CTKMarkupSolidColorBrush::CreateMarkupObject,
        &CTKMarkupBrush::GetMarkupClass, &CTKMarkupSolidColorBrush::RegisterMarkupDependencyProperties);
    CTKMarkupPoint::s_pMarkupType = new CTKMarkupType(nullptr, u"CTKMarkupPoint", &CTKMarkupPoint::CreateMarkupObject,
                                                      &CTKMarkupObject::GetMarkupClass, nullptr);
    CTKMarkupGradientStop::s_pMarkupType =
        new CTKMarkupType(u"GradientStop", u"CTKMarkupGradientStop", &CTKMarkupGradientStop::CreateMarkupObject,
                          &CTKMarkupObject::GetMarkupClass, &CTKMarkupGradientStop::RegisterMarkupDependencyProperties);
    CTKMarkupGradientStops::s_pMarkupType =
        new CTKMarkupType(u"", u"CTKMarkupGradientStops", &CTKMarkupGradientStops::CreateMarkupObject,
                          &CTKMarkupCollection::GetMarkupClass, nullptr);
    CTKMarkupLinearGradientBrush::s_pMarkupType = new CTKMarkupType(
        u"LinearGradientBrush", u"CTKMarkupLinearGradientBrush", &CTKMarkupLinearGradientBrush::CreateMarkupObject,
        &CTKMarkupBrush::GetMarkupClass, &CTKMarkupLinearGradientBrush::RegisterMarkupDependencyProperties);
    CTKMarkupButtonBase::s_pMarkupType = new CTKMarkupType(
        nullptr, u"CTKMarkupButtonBase", &CTKMarkupButtonBase::CreateMarkupObject,
        &CTKMarkupContentControl::GetMarkupClass, &CTKMarkupButtonBase::RegisterMarkupDependencyProperties);
    CTKMarkupButton::s_pMarkupType =
        new CTKMarkupType(u"Button", u"CTKMarkupButton", &CTKMarkupButton::CreateMarkupObject,
                          &CTKMarkupButtonBase::GetMarkupClass, nullptr);
    CTKMarkupToggleButton::s_pMarkupType = new CTKMarkupType(
        nullptr, u"CTKMarkupToggleButton", &CTKMarkupToggleButton::CreateMarkupObject,
        &CTKMarkupButtonBase::GetMarkupClass, &CTKMarkupToggleButton::RegisterMarkupDependencyProperties);
    CTKMarkupCheckBox::s_pMarkupType =
        new CTKMarkupType(u"CheckBox", u"CTKMarkupCheckBox", &CTKMarkupCheckBox::CreateMarkupObject,
                          &CTKMarkupToggleButton::GetMarkupClass, nullptr);
    CTKMarkupRadioButton::s_pMarkupType =
        new CTKMarkupType(u"RadioButton", u"CTKMarkupRadioButton", &CTKMarkupRadioButton::CreateMarkupObject,
                          &CTKMarkupToggleButton::GetMarkupClass, nullptr);
    CTKMarkupVisual::s_pMarkupType =
        new CTKMarkupType(nullptr, u"CTKMarkupVisual", &CTKMarkupVisual::CreateMarkupObject,
                          &CTKMarkupInputElement::GetMarkupClass, nullptr);
    CTKMarkupUIElement::s_pMarkupType =
        new CTKMarkupType(nullptr, u"CTKMarkupUIElement", &CTKMarkupUIElement::CreateMarkupObject,
                          &CTKMarkupVisual::GetMarkupClass, &CTKMarkupUIElement::RegisterMarkupDependencyProperties);
    CTKMarkupStackPanel::s_pMarkupType =
        new CTKMarkupType(u"StackPanel", u"CTKMarkupStackPanel", &CTKMarkupStackPanel::CreateMarkupObject,
                          &CTKMarkupPanel::GetMarkupClass, &CTKMarkupStackPanel::RegisterMarkupDependencyProperties);
    CTKMarkupWrapPanel::s_pMarkupType =
        new CTKMarkupType(u"WrapPanel", u"CTKMarkupWrapPanel", &CTKMarkupWrapPanel::CreateMarkupObject,
                          &CTKMarkupPanel::GetMarkupClass, &CTKMarkupWrapPanel::RegisterMarkupDependencyProperties);
    CTKMarkupDockPanel::s_pMarkupType =
        new CTKMarkupType(u"DockPanel", u"CTKMarkupDockPanel", &CTKMarkupDockPanel::CreateMarkupObject,
                          &CTKMarkupPanel::GetMarkupClass, &CTKMarkupDockPanel::RegisterMarkupDependencyProperties);
    CTKMarkupUniformGrid::s_pMarkupType =
        new CTKMarkupType(u"UniformGrid", u"CTKMarkupUniformGrid", &CTKMarkupUniformGrid::CreateMarkupObject,
                          &CTKMarkupPanel::GetMarkupClass, &CTKMarkupUniformGrid::RegisterMarkupDependencyProperties);
    CTKMarkupScrollBar::s_pMarkupType =
        new CTKMarkupType(nullptr, u"CTKMarkupScrollBar", &CTKMarkupScrollBar::CreateMarkupObject,
                          &CTKMarkupControl::GetMarkupClass, nullptr);
    CTKMarkupScrollBarGripper::s_pMarkupType =
        new CTKMarkupType(nullptr, u"CTKMarkupScrollBarGripper", &CTKMarkupScrollBarGripper::CreateMarkupObject,
                          &CTKMarkupUIElement::GetMarkupClass, nullptr);
    CTKMarkupScrollViewer::s_pMarkupType = new CTKMarkupType(
        u"ScrollViewer", u"CTKMarkupScrollViewer", &CTKMarkupScrollViewer::CreateMarkupObject,
        &CTKMarkupContentControl::GetMarkupClass, &CTKMarkupScrollViewer::RegisterMarkupDependencyProperties);
    CTKMarkupTextBlock::s_pMarkupType = new CTKMarkupType(
        u"TextBlock", u"CTKMarkupTextBlock", &CTKMarkupTextBlock::CreateMarkupObject,
        &CTKMarkupFrameworkElement::GetMarkupClass, &CTKMarkupTextBlock::RegisterMarkupDependencyProperties);
    CTKMarkupShape::s_pMarkupType = new CTKMarkupType(u"Shape", u"CTKMarkupShape", &CTKMarkupShape::CreateMarkupObject,
                                                      &CTKMarkupFrameworkElement::GetMarkupClass,
                                                      &CTKMarkupShape::RegisterMarkupDependencyProperties);
    CTKMarkupPointCollection::s_pMarkupType =
        new CTKMarkupType(nullptr, u"CTKMarkupPointCollection", &CTKMarkupPointCollection::CreateMarkupObject,
                          &CTKMarkupObject::GetMarkupClass, nullptr);
    CTKMarkupPolygon::s_pMarkupType =
        new CTKMarkupType(u"Polygon", u"CTKMarkupPolygon", &CTKMarkupPolygon::CreateMarkupObject,
                          &CTKMarkupShape::GetMarkupClass, &CTKMarkupPolygon::RegisterMarkupDependencyProperties);
    CTKMarkupPolyline::s_pMarkupType =
        new CTKMarkupType(u"Polyline", u"CTKMarkupPolyline", &CTKMarkupPolyline::CreateMarkupObject,
                          &CTKMarkupShape::GetMarkupClass, &CTKMarkupPolyline::RegisterMarkupDependencyProperties);
    CTKMarkupRectangle::s_pMarkupType =
        new CTKMarkupType(u"Rectangle", u"CTKMarkupRectangle", &CTKMarkupRectangle::CreateMarkupObject,
                          &CTKMarkupShape::GetMarkupClass, &CTKMarkupRectangle::RegisterMarkupDependencyProperties);
    CTKMarkupEllipse::s_pMarkupType =
        new CTKMarkupType(u"Ellipse", u"CTKMarkupEllipse", &CTKMarkupEllipse::CreateMarkupObject,
                          &CTKMarkupShape::GetMarkupClass, nullptr);
    CTKMarkupLine::s_pMarkupType =
        new CTKMarkupType(u"Line", u"CTKMarkupLine", &CTKMarkupLine::CreateMarkupObject,
                          &CTKMarkupShape::GetMarkupClass, &CTKMarkupLine::RegisterMarkupDependencyProperties);
    CTKMarkupPathGeometry::s_pMarkupType =
        new CTKMarkupType(nullptr, u"CTKMarkupPathGeometry", &CTKMarkupPathGeometry::CreateMarkupObject,
                          &CTKMarkupObject::GetMarkupClass, nullptr);
    CTKMarkupPath::s_pMarkupType =
        new CTKMarkupType(u"Path", u"CTKMarkupPath", &CTKMarkupPath::CreateMarkupObject,
                          &CTKMarkupShape::GetMarkupClass, &CTKMarkupPath::RegisterMarkupDependencyProperties);
    CTKMarkupPage::s_pMarkupType = new CTKMarkupType(u"Page", u"CTKMarkupPage", &CTKMarkupPage::CreateMarkupObject,
                                                     &CTKMarkupFrameworkElement::GetMarkupClass, nullptr);
    CTKMarkupWindowContainer::s_pMarkupType = new CTKMarkupType(u"WindowContainer", u"CTKMarkupWindowContainer",
                                                                &CTKMarkupWindowContainer::CreateMarkupObject,
                                                                &CTKMarkupFrameworkElement::GetMarkupClass, nullptr);
    CTKMarkupControl::s_pMarkupType = new CTKMarkupType(
        u"Control", u"CTKMarkupControl", &CTKMarkupControl::CreateMarkupObject,
        &CTKMarkupFrameworkElement::GetMarkupClass, &CTKMarkupControl::RegisterMarkupDependencyProperties);
    CTKMarkupContentControl::s_pMarkupType = new CTKMarkupType(
        nullptr, u"CTKMarkupContentControl", &CTKMarkupContentControl::CreateMarkupObject,
        &CTKMarkupControl::GetMarkupClass, &CTKMarkupContentControl::RegisterMarkupDependencyProperties);
    CTKMarkupPanel::s_pMarkupType = new CTKMarkupType(u"Panel", u"CTKMarkupPanel", &CTKMarkupPanel::CreateMarkupObject,
                                                      &CTKMarkupFrameworkElement::GetMarkupClass,
                                                      &CTKMarkupPanel::RegisterMarkupDependencyProperties);
    CTKMarkupImage::s_pMarkupType = new CTKMarkupType(u"Image", u"CTKMarkupImage", &CTKMarkupImage::CreateMarkupObject,
                                                      &CTKMarkupFrameworkElement::GetMarkupClass,
                                                      &CTKMarkupImage::RegisterMarkupDependencyProperties);
    CTKMarkupGridLength::s_pMarkupType =
        new CTKMarkupType(nullptr, u"CTKMarkupGridLength", &CTKMarkupGridLength::CreateMarkupObject,
                          &CTKMarkupObject::GetMarkupClass, nullptr);
    CTKMarkupDefinitionBase::s_pMarkupType =
        new CTKMarkupType(u"DefinitionBase", u"CTKMarkupDefinitionBase", &CTKMarkupDefinitionBase::CreateMarkupObject,
                          &CTKMarkupObject::GetMarkupClass, nullptr);
    CTKMarkupColumnDefinition::s_pMarkupType = new CTKMarkupType(
        u"ColumnDefinition", u"CTKMarkupColumnDefinition", &CTKMarkupColumnDefinition::CreateMarkupObject,
        &CTKMarkupDefinitionBase::GetMarkupClass, &CTKMarkupColumnDefinition::RegisterMarkupDependencyProperties);
    CTKMarkupRowDefinition::s_pMarkupType = new CTKMarkupType(
        u"RowDefinition", u"CTKMarkupRowDefinition", &CTKMarkupRowDefinition::CreateMarkupObject,
        &CTKMarkupDefinitionBase::GetMarkupClass, &CTKMarkupRowDefinition::RegisterMarkupDependencyProperties);
    CTKMarkupDefinitionCollection::s_pMarkupType =
        new CTKMarkupType(nullptr, u"CTKMarkupDefinitionCollection", &CTKMarkupDefinitionCollection::CreateMarkupObject,
                          &CTKMarkupCollection::GetMarkupClass, nullptr);
    CTKMarkupRowDefinitionCollection::s_pMarkupType = new CTKMarkupType(
        nullptr, u"CTKMarkupRowDefinitionCollection", &CTKMarkupRowDefinitionCollection::CreateMarkupObject,
        &CTKMarkupDefinitionCollection::GetMarkupClass, nullptr);
    CTKMarkupColumnDefinitionCollection::s_pMarkupType = new CTKMarkupType(
        nullptr, u"CTKMarkupColumnDefinitionCollection", &CTKMarkupColumnDefinitionCollection::CreateMarkupObject,
        &CTKMarkupDefinitionCollection::GetMarkupClass, nullptr);
    CTKMarkupGrid::s_pMarkupType =
        new CTKMarkupType(u"Grid", u"CTKMarkupGrid", &CTKMarkupGrid::CreateMarkupObject,
                          &CTKMarkupPanel::GetMarkupClass, &CTKMarkupGrid::RegisterMarkupDependencyProperties);
    CTKMarkupCanvas::s_pMarkupType =
        new CTKMarkupType(u"Canvas", u"CTKMarkupCanvas", &CTKMarkupCanvas::CreateMarkupObject,
                          &CTKMarkupPanel::GetMarkupClass, &CTKMarkupCanvas::RegisterMarkupDependencyProperties);
    CTKMarkupBorder::s_pMarkupType = new CTKMarkupType(
        u"Border", u"CTKMarkupBorder", &CTKMarkupBorder::CreateMarkupObject, &CTKMarkupFrameworkElement::GetMarkupClass,
        &CTKMarkupBorder::RegisterMarkupDependencyProperties);
    CTKMarkupKeyboardNavigation::s_pMarkupType = new CTKMarkupType(
        u"KeyboardNavigation", u"CTKMarkupKeyboardNavigation", &CTKMarkupKeyboardNavigation::CreateMarkupObject,
        &CTKMarkupObject::GetMarkupClass, &CTKMarkupKeyboardNavigation::RegisterMarkupDependencyProperties);
    CTKMarkupThickness::s_pMarkupType =
        new CTKMarkupType(nullptr, u"CTKMarkupThickness", &CTKMarkupThickness::CreateMarkupObject,
                          &CTKMarkupObject::GetMarkupClass, nullptr);
  });
}
