#!/usr/bin/env python3
"""Generates the four theme packages (BLUE, AQUA, BLACK, SILVER): their INI
texts, every image their [Images] sections name, and themes.pvrc that
compiles them in. Run from anywhere: generate_themes.py [output folder]
(default: the folder of this script). The output is committed.

Every picture is drawn here from a table: each image holds its states
stacked vertically, keeps room for the sizing margins its callers use, and
is either an opaque image whose transparent parts are magenta 0xFF00FF (the
colour key of its callers) or an image with an alpha channel. Alpha images
are written with premultiplied colour, since the packages do not ask the
store to premultiply them (PremultiplyImages stays commented out).
"""
import os
import struct
import sys
import zlib

# ---- PNG writing ----------------------------------------------------------------------------


def _chunk(kind, data):
    return struct.pack('>I', len(data)) + kind + data + struct.pack('>I', zlib.crc32(kind + data) & 0xFFFFFFFF)


def png_bytes(width, height, pixels, alpha):
    """pixels: rows of (r, g, b, a) tuples, top row first."""
    raw = bytearray()
    for row in pixels:
        raw.append(0)
        for r, g, b, a in row:
            raw += bytes((r, g, b, a)) if alpha else bytes((r, g, b))
    colour_type = 6 if alpha else 2
    return (b'\x89PNG\r\n\x1a\n' +
            _chunk(b'IHDR', struct.pack('>IIBBBBB', width, height, 8, colour_type, 0, 0, 0)) +
            _chunk(b'IDAT', zlib.compress(bytes(raw), 9)) + _chunk(b'IEND', b''))


# ---- the four palettes ------------------------------------------------------------------------

THEMES = {
    'Blue': dict(light=(227, 239, 255), mid=(191, 219, 255), dark=(101, 147, 207), deep=(59, 90, 130),
                 text=(21, 66, 139), face=(213, 228, 242)),
    'Aqua': dict(light=(230, 246, 248), mid=(188, 229, 234), dark=(86, 158, 176), deep=(38, 96, 112),
                 text=(24, 78, 96), face=(211, 236, 240)),
    'Black': dict(light=(235, 235, 235), mid=(83, 83, 83), dark=(47, 47, 47), deep=(20, 20, 20),
                  text=(255, 255, 255), face=(196, 196, 196)),
    'Silver': dict(light=(240, 241, 243), mid=(208, 212, 221), dark=(140, 146, 158), deep=(92, 98, 110),
                   text=(76, 83, 92), face=(221, 224, 229)),
}

# State tints shared by the packages: normal, hot, pressed, checked, then greys.
HOT = ((255, 245, 204), (255, 214, 110))
PRESSED = ((252, 200, 140), (246, 150, 70))
CHECKED = ((255, 228, 170), (255, 190, 100))
DISABLED = ((236, 236, 236), (200, 200, 200))
MAGENTA = (255, 0, 255, 255)

# ---- INI texts ------------------------------------------------------------------------------

SECTIONS = [
    ('Window', 'BorderActive0 BorderActive1 BorderActive2 BorderActive3 BorderInactive0 BorderInactive1 '
               'BorderInactive2 BorderInactive3 CaptionTextActive CaptionTextInActive CaptionTextActiveTitle '
               'WindowFrame EdgeHighLightColor ButtonFace HighlightSelected HighlightSelectedBorder '
               'HighlightChecked HighlightCheckedBorder HighlightPressed HighlightPressedBorder '
               'HighlightSelectedLight HighlightSelectedDark HighlightCheckedLight HighlightCheckedDark '
               'HighlightPressedLight HighlightPressedDark TooltipLight TooltipDark TooltipBorder SplitterFace '
               'SplitterFrame SplitterFaceTab SplitterFrameTab'),
    ('Workspace', 'AppWorkspace WorkspaceClientTop WorkspaceClientMiddle WorkspaceClientBottom'),
    ('StatusBar', 'StatusBarText StatusBarTextGray StatusBarFaceTopLight StatusBarFaceTopDark '
                  'StatusBarFaceBottomLight StatusBarFaceBottomDark StatusBarShadow'),
    ('MessageBar', 'MessageBar MessageBarText MessageBarFrame MessageBarLight MessageBarDark'),
    ('Toolbar', 'ControlDisabledIcon ControlDisabledIconLight ControlDisabledIconDark ControlGallerySelected '
                'ControlGalleryNormal ControlGalleryBorder ControlLabel ControlEditBorder ControlEditDisabledBorder '
                'DockBarFace ToolbarFace ToolbarFaceLight ToolbarFaceDark ToolbarFaceShadow ToolbarSeparator '
                'ControlToolbarExpandLight ControlToolbarExpandDark ControlHighlightPopupedLight '
                'ControlHighlightPopupedDark MenuPopupBorder ToolbarGripper FloatingBarGripper '
                'FloatingBarGripperText FloatingBarBorder MenuBarText MenuPopupGripperLight MenuPopupGripperDark '
                'MenuPopupExpandedGripperLight MenuPopupExpandedGripperDark MenuPopupTearOffGripper'),
    ('Ribbon', 'RibbonFace RibbonText TabSelectedText TabNormalText GroupCaptionText GroupClientText '
               'ControlEditNormal MenuPopupText ControlHighlightText RecentFileListBackground '
               'RecentFileListEdgeHighLight RecentFileListEdgeShadow MinimizedFrameEdgeHighLight '
               'MinimizedFrameEdgeShadow MenuPopupGripper MenuPopupExpandedGripperLight '
               'MenuPopupExpandedGripperDark FileButtonText RibbonGrayText BackstageMenuTextColor'),
    ('DockingPane', 'Splitter SplitterLight SplitterDark NormalCaptionLight NormalCaptionDark NormalCaptionText '
                    'ActiveCaptionLight ActiveCaptionDark ActiveCaptionText WordSplitter WordNormalCaption '
                    'WordActiveCaption WordPaneBackground WordCaptionText WordPaneBorder'),
    ('TabManager', 'FrameBorder DarkShadow LightShadow HeaderFaceLight HeaderFaceDark AutoHideFaceLight '
                   'AutoHideFaceDark AccessHeader AccessBorder'),
    ('ShortcutBar', 'NormalText SelectedText FrameBorder CaptionLight CaptionDark CaptionText GripperLight '
                    'GripperDark ItemNormalCaptionLight ItemNormalCaptionDark ItemHotCaptionLight '
                    'ItemHotCaptionDark ItemCaptionText ItemCaptionTop ItemCaptionShadow'),
    ('Controls', 'GroupBoxFrame'),
    ('PopupControl', 'FrameBorder BackgroundLight BackgroundDark CaptionLight CaptionDark NormalText '
                     'ButtonSelected ButtonPressed ButtonBorder'),
    ('PropertyGrid', 'Background Shadow HelpBack HelpFore GridLine CategoryText HighlightText Highlight'),
    ('ListBox', 'NormalText'),
    ('ReportControl', 'NormalColumnLight NormalColumnDark PressedColumnLight PressedColumnDark ColumnShadow '
                      'ColumnSeparator GroupBoxBackground GroupBoxTextColor GroupShadeBackground GroupShadeBorder '
                      'SelectionBackground GroupShadeIndent'),
    ('CalendarControl', 'BaseColor SelectedBk MultiDayEventFromToDates MonthViewEventTime TimeScaleBk '
                        'TimeScaleLine HeaderBorder DayBorder DayViewCellNonWorkBk '
                        'DayViewCellWorkBorderBottomInHour DayViewCellWorkBorderBottomHour '
                        'DayViewCellNonWorkBorderBottomInHour DayViewCellNonWorkBorderBottomHour '
                        'DayViewAllDayEventsBk DayViewAllDayEventsBorderBottom MultiDayEventBorder '
                        'MultiDayEventBkGRfrom MultiDayEventBkGRto DayViewSingleDayEventBorder '
                        'DayViewSingleDayEventBkGRto MonthViewWeekHeaderFreeSpaceBk MonthViewWeekDayHeaderBk '
                        'MonthViewWeekDayHeaderText MonthViewDayBkDark MonthViewDayBkSelected '
                        'MonthViewSingleDayEventBorder MonthViewSingleDayEventBkGRfrom '
                        'MonthViewSingleDayEventBkGRto WeekViewDayBkDark WeekViewDayBkSelected WeekViewEventTime '
                        'WeekViewSingleDayEventBorder WeekViewSingleDayEventBkGRfrom WeekViewSingleDayEventBkGRto '
                        'CaptionBarSwitchViewBarBk CaptionBarDateBarBk CaptionBarBorders'),
    ('DatePicker', 'MonthBorder MonthHeaderBack MonthHeaderButton'),
    ('ComboBox', 'Background BackgroundDisabled Border BorderHilite BorderPressed BorderDisabled ButtonLt ButtonDk '
                 'ButtonHiliteLt ButtonHiliteDk ButtonPressedLt ButtonPressedDk ButtonDisabled Glyph GlyphDisabled'),
    ('RibbonComboBox', 'Background BackgroundHilite BackgroundDisabled Border BorderHilite BorderPressed '
                       'BorderDisabled'),
]


def mix(a, b, t):
    return tuple(int(round(x + (y - x) * t)) for x, y in zip(a, b))


def key_colour(theme, key):
    """A colour for a key, chosen by the words of its name."""
    p = THEMES[theme]
    k = key.lower()
    if 'gray' in k or 'disabled' in k:
        return (141, 141, 141)
    if 'text' in k or 'fore' in k or k.endswith('glyph'):
        return p['text']
    if 'highlight' in k or 'selected' in k or 'hilite' in k or 'hot' in k:
        if 'pressed' in k:
            return PRESSED[1]
        return HOT[1] if ('dark' in k or 'border' in k) else HOT[0]
    if 'pressed' in k:
        return PRESSED[1] if ('dark' in k or 'border' in k) else PRESSED[0]
    if 'checked' in k:
        return CHECKED[1] if ('dark' in k or 'border' in k) else CHECKED[0]
    if 'border' in k or 'frame' in k or 'shadow' in k or 'line' in k or 'separator' in k:
        return p['dark']
    if 'dark' in k or k.endswith('dk') or 'to' == k[-2:]:
        return p['mid']
    if 'light' in k or k.endswith('lt') or 'background' in k or 'back' in k or 'bk' in k:
        return p['light']
    return p['face']


def ini_text(theme, images):
    lines = ['; Theme package Office2007%s: colours (red green blue), integers and image names.' % theme,
             '[Global]', ';PremultiplyImages=1', '']
    for section, keys in SECTIONS:
        lines.append('[%s]' % section)
        for key in keys.split():
            colour = key_colour(theme, key)
            if theme == 'Blue' and section == 'Window' and key == 'BorderActive0':
                colour = (59, 90, 130)
            lines.append('%s=%d %d %d' % ((key,) + colour))
        lines.append('')
    lines.append('[Images]')
    for name in images:
        folder = 'Office2007Common' if name in COMMON else 'Office2007' + theme
        lines.append('%s=%s\\%s.bmp' % (name, folder, name))
    return '\r\n'.join(lines) + '\r\n'


# ---- image table ------------------------------------------------------------------------------
# name: (width, height of one state, states, kind, magenta key)
# kinds: button (rounded frame, gradient face), face (gradient without
# corners), frame (border around a keyed middle), line, glyph (a mark),
# arrows (a strip of arrow cells), tab (rounded top corners).

IMAGES = {}


def image(names, width, height, states=1, kind='button', key=False):
    for n in names.split():
        IMAGES[n] = (width, height, states, kind, key)


image('FileButton', 54, 24, 7, key=True)
image('PushButton', 40, 22, 5)
image('WorkspaceTopLeft', 16, 16, 1, 'face')
image('FrameSystemButton', 36, 36, 3)
image('FrameSystemButton52', 52, 52, 3)
image('ToolbarFaceHorizontal', 20, 26, 1, 'face')
image('ToolbarFaceVertical', 26, 20, 1, 'face')
image('ToolbarExpandButtonHorizontal', 13, 26, 3)
image('ToolbarExpandButtonVertical', 26, 13, 3)
image('ToolbarButtons50 ToolbarButtonsSplit50 ToolbarButtonsSplitDropDown50', 32, 50, 4)
image('ToolbarButtons22 ToolbarButtonsSplit22 ToolbarButtonsSplitDropDown22', 32, 22, 4)
for colour in 'Green Orange Blue Cyan Purple Red Yellow'.split():
    image('ContextTab%sGroupButton' % colour, 42, 86, 3, key=True)
    image('ContextTab%s' % colour, 30, 22, 3, 'tab', key=True)
    image('ContextTab%sClient' % colour, 20, 20, 1, 'face')
    image('ContextTab%sHeader' % colour, 20, 18, 1, 'face')
image('RibbonTab', 30, 24, 6, 'tab', key=True)
image('RibbonGroupButton', 42, 86, 3, key=True)
image('ToolbarButtonCheckBox', 13, 13, 12)
image('ToolbarButtonRadioButton', 13, 13, 8)
image('ToolbarButtonSpinArrowsVertical ToolbarButtonSpinArrowsHorizontal', 17, 12, 10, key=True)
image('ToolbarButtonSpinArrowGlyphs', 5, 4, 16, 'glyph', key=True)
image('MenuSelectedItem54 MenuSelectedDisabledItem54', 30, 54, 1)
image('MenuSelectedItem22 MenuSelectedDisabledItem22', 30, 22, 1)
image('ControlGalleryPopup ControlGalleryUp ControlGalleryDown', 15, 20, 5, key=True)
image('RibbonGroups', 32, 86, 3)
image('RibbonQuickAccessButton', 22, 22, 5, key=True)
image('RibbonQuickAccessMore', 13, 22, 4, key=True)
image('ToolbarButtonsSpecialSplitLeft ToolbarButtonsSpecialSplitDropDownRight ToolbarButtonsSpecialSingle '
      'ToolbarButtonsSpecialSplitCenter ToolbarButtonsSpecialSplitRight ToolbarButtonsSpecialLeft '
      'ToolbarButtonsSpecialSplitDropDownCenter ToolbarButtonsSpecialSplitDropDownLeft ToolbarButtonsSpecialRight '
      'ToolbarButtonsSpecialCenter', 20, 22, 5, key=True)
image('FrameCaptionButton', 21, 21, 2, key=True)
for n in (23, 17, 13):
    image('FrameCaptionClose%d FrameCaptionRestore%d FrameCaptionMaximize%d FrameCaptionMinimize%d' % (n, n, n, n),
          n, n, 5, 'glyph', key=True)
image('ControlGalleryScrollThumbVertical', 15, 20, 3)
image('ControlGalleryScrollThumbHorizontal', 20, 15, 3)
image('ControlGalleryScrollThumbGripperVertical ControlGalleryScrollThumbGripperHorizontal', 8, 8, 3, 'glyph')
image('ControlGalleryScrollArrowsVerticalLight ControlGalleryScrollArrowsVerticalDark', 15, 15, 4, key=True)
image('ControlGalleryScrollArrowsHorizontalLight ControlGalleryScrollArrowsHorizontalDark', 15, 15, 4, key=True)
image('ControlGalleryScrollVerticalLight ControlGalleryScrollVerticalDark', 15, 20, 2, 'face')
image('ControlGalleryScrollHorizontalLight ControlGalleryScrollHorizontalDark', 20, 15, 2, 'face')
image('ControlGalleryScrollArrowGlyphs', 9, 9, 20, 'arrows', key=True)
image('ContextTabGroupClient RibbonGroupClient', 20, 20, 1, 'face')
image('ContextTabGroupCaption RibbonGroupCaption', 20, 17, 1, 'face')
image('RibbonOptionButton', 15, 14, 4, key=True)
image('ToolbarButtonsComboDropDown', 14, 20, 5)
image('MenuCheckedItemMark', 16, 16, 4, 'glyph')
image('FrameTopLeft FrameTopRight', 6, 30, 2, 'frame', key=True)
image('FrameTopCenter', 8, 30, 2, 'face')
image('FrameBottomLeft FrameBottomRight', 4, 4, 2, 'frame', key=True)
image('RibbonGroupButtonIcon', 32, 32, 1)
image('MenuCheckedItem', 20, 20, 2)
image('RibbonGroupQuickAccess', 24, 22, 3)
image('RibbonQuickAccessFrame', 20, 26, 1, 'frame')
image('RibbonQuickAccessArea RibbonQuickAccessAreaDwm', 30, 26, 1, 'face')
image('StatusBarDevider StatusBarSeparator', 2, 18, 1, 'line')
image('ToolbarButtonDropDownGlyph', 5, 3, 4, 'glyph')
image('PopupBarFrame MorePopupBarFrame', 20, 20, 1, 'frame', key=True)
image('StatusBarGripper', 12, 12, 6, 'glyph')
image('StatusBarLight StatusBarDark', 6, 22, 2, 'face')
image('RibbonTabSeparator', 1, 22, 1, 'line')
image('ContextTabSeparator', 2, 90, 1, 'line')
image('RibbonGroupsScrollLeft RibbonGroupsScrollRight', 12, 86, 3, key=True)
image('RibbonGroupsScrollLeftGlyph RibbonGroupsScrollRightGlyph', 4, 7, 3, 'glyph')
image('RibbonSystemMenu', 40, 40, 2, 'frame', key=True)
image('RibbonSystemMenuButton', 40, 24, 2)
image('MenuSplitDropDown MenuSplitItem', 20, 22, 3)
image('MenuPopupGlyph', 8, 8, 2, 'glyph')
image('PopupBarResizeGripperFace', 10, 8, 1, 'face')
image('PopupBarResizeGripperWidth PopupBarResizeGripperHeight', 8, 8, 1, 'glyph')
image('ListBox', 20, 20, 3)
image('StatusBarSwitches', 20, 18, 6)
image('SliderUp SliderDown SliderThumb', 11, 11, 3)
image('SliderTick', 1, 4, 1, 'line')
image('SliderTrack', 20, 3, 1, 'face')
image('ShortcutBarItems', 40, 32, 3)
image('ShortcutBarNavigateItem', 24, 24, 3)
image('ShortcutBarGlyphs', 8, 8, 4, 'glyph')
image('ShortcutBarGripper', 40, 7, 1, 'face')
image('ProgressTrack', 20, 14, 1, 'frame', key=True)
image('ProgressChunk', 24, 10, 1, 'face')
image('CalendarCaptionBarSwitchViewButton CalendarCaptionBarPrevDateButton CalendarCaptionBarNextDateButton '
      'CalendarCaptionBarExpandButton CalendarPrevNextEventButton', 16, 16, 3)
image('CalendarPrevNextEventButtonArr', 8, 8, 3, 'glyph')
image('AccessTab', 40, 26, 4, 'tab')
image('BackstageMenuBackground', 100, 100, 1, 'face')
image('BackstageMenuCommand', 100, 30, 3)
image('BackstageMenuPage', 100, 36, 3)
image('BackstageMenuPageGlyph', 8, 14, 1, 'glyph')
image('BackstageTopBorder', 10, 3, 1, 'face')
image('BackstageButton', 60, 60, 3)
image('BackstageButtonShadow', 60, 4, 1, 'face')
image('BackstageButtonGlyph', 8, 8, 1, 'glyph')
image('BackstagePaneSeparator SystemIconSeparator', 2, 20, 1, 'line')
image('TooltipFrame', 16, 16, 1, 'frame')
image('CalendarHeader CalendarHeaderDVGroup CalendarHeaderMVDay CalendarHeaderMVWeek CalendarHeaderWVDay',
      20, 20, 2, 'face')

# Glyph strips and marks that look the same in every package.
COMMON = set('ToolbarButtonSpinArrowGlyphs ControlGalleryScrollArrowGlyphs MenuCheckedItemMark '
             'ToolbarButtonDropDownGlyph RibbonGroupsScrollLeftGlyph RibbonGroupsScrollRightGlyph MenuPopupGlyph '
             'BackstageMenuPageGlyph BackstageButtonGlyph ShortcutBarGlyphs CalendarPrevNextEventButtonArr '
             'PopupBarResizeGripperWidth PopupBarResizeGripperHeight'.split())

# ---- drawing ----------------------------------------------------------------------------------


def state_colours(palette, state, name):
    """(light, dark, border) of a state: normal, hot, pressed, checked, then greys."""
    if 'Disabled' in name:
        return DISABLED + ((160, 160, 160),)
    order = [(palette['light'], palette['mid']), HOT, PRESSED, CHECKED, DISABLED]
    light, dark = order[state % len(order)]
    return light, dark, mix(dark, (0, 0, 0), 0.35)


def draw_state(name, width, height, state, states, kind, key, palette):
    """One state as rows of (r, g, b, a) straight colour."""
    clear = MAGENTA if key else (0, 0, 0, 0)
    light, dark, border = state_colours(palette, state, name)
    rows = [[clear] * width for _ in range(height)]
    radius = 0 if kind in ('face', 'line') else min(2, width // 4, height // 4)

    def inside(x, y, r):
        for cx, cy in ((r, r), (width - 1 - r, r), (r, height - 1 - r), (width - 1 - r, height - 1 - r)):
            if (x < r or x > width - 1 - r) and (y < r or y > height - 1 - r):
                if (x - cx) ** 2 + (y - cy) ** 2 > r * r + 0.5:
                    return False
        return True

    if kind in ('button', 'face', 'tab'):
        for y in range(height):
            t = y / max(1, height - 1)
            fill = mix(light, dark, t)
            for x in range(width):
                top_only = kind == 'tab' and y > height // 2
                if not (top_only or inside(x, y, radius)):
                    continue
                edge = kind != 'face' and (x == 0 or x == width - 1 or y == 0 or (y == height - 1 and kind != 'tab'))
                rows[y][x] = (border if edge else fill) + (255,)
    elif kind == 'frame':
        for y in range(height):
            for x in range(width):
                if x in (0, width - 1) or y in (0, height - 1):
                    rows[y][x] = palette['dark'] + (255,)
                elif x in (1, width - 2) or y in (1, height - 2):
                    rows[y][x] = palette['light'] + (255,)
                elif not key:
                    rows[y][x] = palette['face'] + (255,)
    elif kind == 'line':
        for y in range(height):
            for x in range(width):
                rows[y][x] = (palette['dark'] if x % 2 == 0 else palette['light']) + (255,)
    elif kind in ('glyph', 'arrows'):
        ink = palette['text'] if state % 4 != 3 else (141, 141, 141)
        if kind == 'arrows':
            direction = state % 4  # up, down, left, right
        else:
            direction = 1
        for y in range(height):
            for x in range(width):
                u, v = (x + 0.5) / width, (y + 0.5) / height
                if direction == 0:
                    hit = v > 0.25 and abs(u - 0.5) < (v - 0.25) * 0.75
                elif direction == 1:
                    hit = v < 0.75 and abs(u - 0.5) < (0.75 - v) * 0.75
                elif direction == 2:
                    hit = u > 0.25 and abs(v - 0.5) < (u - 0.25) * 0.75
                else:
                    hit = u < 0.75 and abs(v - 0.5) < (0.75 - u) * 0.75
                if hit or (width <= 5 and height <= 4 and abs(u - 0.5) < 0.3):
                    rows[y][x] = ink + (255,)
    return rows


def draw_image(name, palette):
    width, height, states, kind, key = IMAGES[name]
    rows = []
    for s in range(states):
        rows += draw_state(name, width, height, s, states, kind, key, palette)
    if not key:  # premultiplied colour in the alpha images
        rows = [[(r * a // 255, g * a // 255, b * a // 255, a) for r, g, b, a in row] for row in rows]
    return png_bytes(width, height * states, rows, alpha=not key)


# ---- output -------------------------------------------------------------------------------------


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.dirname(os.path.abspath(__file__))
    names = list(IMAGES)
    pvrc = ['// Generated by generate_themes.py: the four theme packages and their images.', '']
    common = os.path.join(out, 'office2007common')
    os.makedirs(common, exist_ok=True)
    for name in sorted(COMMON):
        with open(os.path.join(common, name + '.png'), 'wb') as f:
            f.write(draw_image(name, THEMES['Blue']))
        pvrc.append('png OFFICE2007COMMON_%s_BMP "office2007common/%s.png"' % (name.upper(), name))
    for theme, palette in THEMES.items():
        folder = 'office2007' + theme.lower()
        os.makedirs(os.path.join(out, folder), exist_ok=True)
        with open(os.path.join(out, folder + '.ini'), 'wb') as f:
            f.write(ini_text(theme, names).encode('ascii'))
        pvrc.append('')
        pvrc.append('textfile OFFICE2007%s_INI "%s.ini"' % (theme.upper(), folder))
        for name in names:
            if name in COMMON:
                continue
            with open(os.path.join(out, folder, name + '.png'), 'wb') as f:
                f.write(draw_image(name, palette))
            pvrc.append('png OFFICE2007%s_%s_BMP "%s/%s.png"' % (theme.upper(), name.upper(), folder, name))
    with open(os.path.join(out, 'themes.pvrc'), 'w') as f:
        f.write('\n'.join(pvrc) + '\n')
    print('%d image names, %d PNG files' % (len(names), len(COMMON) + 4 * (len(names) - len(COMMON))))


if __name__ == '__main__':
    main()
