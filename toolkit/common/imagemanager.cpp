// The image manager, its icon sets and icons, and the generated images.
#include "toolkit/common/imagemanager.h"

#include <cstring>
#include <vector>

#include "platform/base/exceptions.h"
#include "platform/base/file.h"
#include "platform/framework/afxgdi.h"
#include "platform/gdi/imagelist.h"
#include "platform/gdi/wingdi.h"
#include "platform/system/resources.h"
#include "toolkit/common/colormanager.h"
#include "toolkit/common/imagepixels.h"
#include "toolkit/common/resourcemanager.h"

IMPLEMENT_DYNAMIC(CTKImageManager, CCmdTarget)

namespace {

// The colour and mask planes of an icon as 32-bit bottom-up pixels; the
// mask is black (0) where the icon is opaque.
struct IconPlanes {
  int width = 0, height = 0;
  std::vector<BYTE> color, mask;
  HBITMAP hbmMask = nullptr;  // owned
  ~IconPlanes() {
    if (hbmMask) DeleteObject(hbmMask);
  }
};

bool ReadPlane(HBITMAP bitmap, int w, int h, std::vector<BYTE>* out) {
  BITMAPINFO bi{};
  bi.bmiHeader = BITMAPINFOHEADER{sizeof(BITMAPINFOHEADER), w, h, 1, 32, BI_RGB, 0, 0, 0, 0, 0};  // bottom-up
  out->assign(static_cast<size_t>(w) * h * 4, 0);
  return GetDIBits(nullptr, bitmap, 0, h, out->data(), &bi, DIB_RGB_COLORS) == h;
}

bool ReadIconPlanes(HICON icon, IconPlanes* planes) {
  ICONINFO info{};
  if (!icon || !GetIconInfo(icon, &info)) return false;
  bool ok = false;
  BITMAP bm{};
  if (info.hbmColor && info.hbmMask && ::GetObject(info.hbmColor, sizeof(bm), &bm)) {
    planes->width = bm.bmWidth;
    planes->height = bm.bmHeight < 0 ? -bm.bmHeight : bm.bmHeight;
    ok = ReadPlane(info.hbmColor, planes->width, planes->height, &planes->color) &&
         ReadPlane(info.hbmMask, planes->width, planes->height, &planes->mask);
  }
  if (info.hbmColor) DeleteObject(info.hbmColor);
  planes->hbmMask = info.hbmMask;
  return ok;
}

// A new icon from modified colour pixels and the original mask.
HICON MakeIcon(const IconPlanes& planes) {
  LPBYTE bits = nullptr;
  HBITMAP color = CTKImageManager::CreateDIB32(nullptr, planes.width, planes.height, &bits);  // bottom-up
  if (!color) return nullptr;
  std::memcpy(bits, planes.color.data(), planes.color.size());
  ICONINFO info{TRUE, 0, 0, planes.hbmMask, color};
  HICON icon = CreateIconIndirect(&info);
  DeleteObject(color);
  return icon;
}

bool MaskOpaque(const IconPlanes& planes, size_t i) {
  return (planes.mask[i * 4] | planes.mask[i * 4 + 1] | planes.mask[i * 4 + 2]) == 0;
}

// Applies `alphaRule` to the premultiplied pixels of an alpha image, or
// `iconRule` to the opaque pixels of an icon, in a private copy of
// `source`; the result lands in `target` through CopyFrom.
template <class AlphaRule, class IconRule>
void Generate(CTKImageHandle& source, CTKImageHandle& target, AlphaRule alphaRule, IconRule iconRule) {
  CTKImageHandle work;
  work.CopyFrom(source);  // no manager: a private copy
  if (work.IsEmpty()) return;
  if (work.GetBitmap()) {
    LPBYTE bits = work.GetBitmapBits();
    if (!bits) return;
    CSize size = work.GetExtent();
    for (size_t i = 0; i < static_cast<size_t>(size.cx) * size.cy; ++i) alphaRule(bits + i * 4);
    GdiFlush();
  } else if (work.GetIcon()) {
    IconPlanes planes;
    if (!ReadIconPlanes(work.GetIcon(), &planes)) return;
    for (size_t i = 0; i < static_cast<size_t>(planes.width) * planes.height; ++i)
      if (MaskOpaque(planes, i)) iconRule(planes.color.data() + i * 4);
    HICON icon = MakeIcon(planes);
    if (!icon) return;
    work.SetIcon(icon);
  }
  target.CopyFrom(work);
}

}  // namespace

// ---- CTKImageManagerIcon ----------------------------------------------------------------------

CTKImageManagerIcon::CTKImageManagerIcon(UINT id, int width, int height, CTKImageManagerIconSet* iconSet)
    : m_nID(id), m_nWidth(width), m_nHeight(height), m_pIconSet(iconSet) {
  CTKImageManager* manager = iconSet ? iconSet->GetImageManager() : nullptr;
  for (auto& image : m_arrImages) image.SetImageManager(manager);
}

CTKImageManagerIcon::~CTKImageManagerIcon() { Clear(); }

CTKImageManager* CTKImageManagerIcon::GetImageManager() const {
  return m_pIconSet ? m_pIconSet->GetImageManager() : nullptr;
}

CSize CTKImageManagerIcon::GetExtent() const { return m_arrImages[kNormal].GetExtent(); }

BOOL CTKImageManagerIcon::IsAlpha() const { return m_arrImages[kNormal].IsAlpha(); }

CTKImageHandle& CTKImageManagerIcon::GetHotImage() {
  return m_arrImages[kHot].IsEmpty() ? m_arrImages[kNormal] : m_arrImages[kHot];
}

CTKImageHandle& CTKImageManagerIcon::GetCheckedImage() {
  return m_arrImages[kChecked].IsEmpty() ? GetHotImage() : m_arrImages[kChecked];
}

CTKImageHandle& CTKImageManagerIcon::GetPressedImage() {
  return m_arrImages[kPressed].IsEmpty() ? GetHotImage() : m_arrImages[kPressed];
}

CTKImageHandle& CTKImageManagerIcon::GetDisabledImage(BOOL generate) {
  if (!m_arrImages[kDisabled].IsEmpty()) return m_arrImages[kDisabled];
  if (m_arrImages[kDisabledGenerated].IsEmpty() && generate) CreateDisabledImage();
  return m_arrImages[kDisabledGenerated];
}

CTKImageHandle& CTKImageManagerIcon::GetFadedImage() {
  if (m_arrImages[kFaded].IsEmpty()) CreateFadedImage();
  return m_arrImages[kFaded].IsEmpty() ? m_arrImages[kNormal] : m_arrImages[kFaded];
}

CTKImageHandle& CTKImageManagerIcon::GetShadowImage() {
  if (m_arrImages[kShadow].IsEmpty()) CreateShadowImage();
  return m_arrImages[kShadow];
}

CTKImageHandle& CTKImageManagerIcon::GetImage(int state) {
  switch (state) {
    case tkImageDisabled:
      return GetDisabledImage(TRUE);
    case tkImageHot:
      return GetHotImage();
    case tkImageChecked:
      return GetCheckedImage();
    case tkImagePressed:
      return GetPressedImage();
    default:
      return GetNormalImage();
  }
}

BOOL CTKImageManagerIcon::HasDisabledImage() const {
  return !m_arrImages[kDisabled].IsEmpty() || !m_arrImages[kDisabledGenerated].IsEmpty();
}

void CTKImageManagerIcon::CreateFadedImage() {
  CTKImageHandle& normal = m_arrImages[kNormal];
  if (!normal.IsShareable()) return;
  Generate(
      normal, m_arrImages[kFaded],
      [](BYTE* p) {
        int a = p[3];
        if (a == 0) return;
        for (int c = 0; c < 3; ++c) p[c] = TKClamp255(TKTrunc(0.3 * a + 0.7 * p[c]));
      },
      [](BYTE* p) {
        for (int c = 0; c < 3; ++c) p[c] = TKClamp255(TKTrunc(0.3 * 255 + 0.7 * p[c]));
      });
}

void CTKImageManagerIcon::CreateShadowImage() {
  if (!m_arrImages[kNormal].IsShareable()) return;
  COLORREF base = GetColorManager()->GetColor(31);
  const int red = TKTrunc(GetRValue(base) * 0.75), green = TKTrunc(GetGValue(base) * 0.75),
            blue = TKTrunc(GetBValue(base) * 0.75);
  Generate(
      GetHotImage(), m_arrImages[kShadow],
      [=](BYTE* p) {
        int a = p[3];
        p[0] = static_cast<BYTE>(a * blue / 255);
        p[1] = static_cast<BYTE>(a * green / 255);
        p[2] = static_cast<BYTE>(a * red / 255);
      },
      [=](BYTE* p) {
        p[0] = static_cast<BYTE>(blue);
        p[1] = static_cast<BYTE>(green);
        p[2] = static_cast<BYTE>(red);
      });
}

void CTKImageManagerIcon::CreateDisabledImage(COLORREF light, COLORREF dark) {
  if (!m_arrImages[kDisabledGenerated].IsEmpty()) return;
  const bool twoColor = light != static_cast<COLORREF>(-1) && dark != static_cast<COLORREF>(-1);
  Generate(
      m_arrImages[kNormal], m_arrImages[kDisabledGenerated],
      [=](BYTE* p) {
        int a = p[3];
        if (a == 0) return;
        // Straight colour (clamped: a premultiplied channel never exceeds
        // alpha, but stored data may), the rule, premultiplied again.
        for (int c = 0; c < 3; ++c) p[c] = TKClamp255(p[c] * 255 / a);
        TKDisablePixel(p, twoColor, light, dark);
        for (int c = 0; c < 3; ++c) p[c] = static_cast<BYTE>(p[c] * a / 255);
      },
      [=](BYTE* p) { TKDisablePixel(p, twoColor, light, dark); });
}

void CTKImageManagerIcon::Draw(CDC* pDC, CPoint pt, CTKImageHandle& image, CSize size, COLORREF, COLORREF, UINT) {
  if (!pDC) return;
  if (size.cx == 0) size.cx = m_nWidth;
  if (size.cy == 0 && m_nWidth != 0)
    size.cy = static_cast<int>(static_cast<UINT>(m_nHeight) * static_cast<UINT>(size.cx) / static_cast<UINT>(m_nWidth));
  image.Draw(pDC, pt, size, m_bDrawComposited);
}

void CTKImageManagerIcon::DrawMono(CDC* pDC, CPoint pt, CTKImageHandle& image, CSize size, COLORREF color) {
  if (!pDC || size.cx <= 0 || size.cy <= 0) return;
  HDC hdc = pDC->GetSafeHdc();
  HBITMAP bitmap = CreateCompatibleBitmap(hdc, size.cx, size.cy);
  if (!bitmap) return;
  {
    CTKScopedBitmapDC mem(bitmap, hdc);
    CRect rc(0, 0, size.cx, size.cy);
    FillRect(mem, &rc, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    CDC* memDC = CDC::FromHandle(mem);
    image.Draw(memDC, CPoint(0, 0), size, FALSE);
  }
  HBRUSH brush = CreateSolidBrush(color);
  DrawState(hdc, brush, nullptr, reinterpret_cast<LPARAM>(bitmap), 0, pt.x, pt.y, size.cx, size.cy,
            DST_BITMAP | DSS_MONO);
  DeleteObject(brush);
  DeleteObject(bitmap);
}

void CTKImageManagerIcon::SetImage(int slot, CTKImageHandle& image) {
  m_arrImages[slot].SetImageManager(GetImageManager());
  m_arrImages[slot].CopyFrom(image);
}

void CTKImageManagerIcon::SetNormalIcon(CTKImageHandle& image) {
  for (int i = 1; i < kImageCount; ++i) m_arrImages[i].Clear();
  SetImage(kNormal, image);
  CSize extent = m_arrImages[kNormal].GetExtent();
  if (extent.cx || extent.cy) {
    m_nWidth = extent.cx;
    m_nHeight = extent.cy;
  }
  if (m_pIconSet) m_pIconSet->RefreshAll();
}

void CTKImageManagerIcon::SetDisabledIcon(CTKImageHandle& image) {
  SetImage(kDisabled, image);
  Refresh();
}

void CTKImageManagerIcon::SetHotIcon(CTKImageHandle& image) {
  SetImage(kHot, image);
  Refresh();
}

void CTKImageManagerIcon::SetCheckedIcon(CTKImageHandle& image) {
  SetImage(kChecked, image);
  Refresh();
}

void CTKImageManagerIcon::SetPressedIcon(CTKImageHandle& image) {
  SetImage(kPressed, image);
  Refresh();
}

void CTKImageManagerIcon::Refresh() {
  m_arrImages[kFaded].Clear();
  m_arrImages[kShadow].Clear();
  m_arrImages[kDisabledGenerated].Clear();
}

void CTKImageManagerIcon::Clear() {
  for (auto& image : m_arrImages) image.Clear();
}

// ---- CTKImageManagerIconSet ---------------------------------------------------------------------

CTKImageManagerIconSet::CTKImageManagerIconSet(UINT id, CTKImageManager* manager)
    : m_nID(id), m_pImageManager(manager) {}

CTKImageManagerIconSet::~CTKImageManagerIconSet() { RemoveAll(); }

CTKImageManagerIcon* CTKImageManagerIconSet::GetIcon(UINT width, BOOL nearest) {
  if (m_mapIcons.empty()) return nullptr;
  if (width == 0) return m_mapIcons.begin()->second;
  if (width == 1) return m_mapIcons.rbegin()->second;
  auto it = m_mapIcons.find(width);
  if (it != m_mapIcons.end()) return it->second;
  if (!nearest) return nullptr;
  // Ascending widths: at equal distance the smaller width, met first, wins.
  CTKImageManagerIcon* best = nullptr;
  UINT bestDistance = 0;
  for (const auto& [w, icon] : m_mapIcons) {
    UINT distance = w > width ? w - width : width - w;
    if (!best || distance < bestDistance) {
      best = icon;
      bestDistance = distance;
    }
  }
  return best;
}

CTKImageManagerIcon* CTKImageManagerIconSet::GetOrCreateIcon(UINT width) {
  auto it = m_mapIcons.find(width);
  if (it != m_mapIcons.end()) return it->second;
  auto* icon = new CTKImageManagerIcon(m_nID, static_cast<int>(width), 15, this);
  m_mapIcons[width] = icon;
  return icon;
}

void CTKImageManagerIconSet::SetIcon(CTKImageHandle& image, UINT width) {
  GetOrCreateIcon(width)->SetNormalIcon(image);
}
void CTKImageManagerIconSet::SetDisabledIcon(CTKImageHandle& image, UINT width) {
  GetOrCreateIcon(width)->SetDisabledIcon(image);
}
void CTKImageManagerIconSet::SetHotIcon(CTKImageHandle& image, UINT width) {
  GetOrCreateIcon(width)->SetHotIcon(image);
}
void CTKImageManagerIconSet::SetCheckedIcon(CTKImageHandle& image, UINT width) {
  GetOrCreateIcon(width)->SetCheckedIcon(image);
}
void CTKImageManagerIconSet::SetPressedIcon(CTKImageHandle& image, UINT width) {
  GetOrCreateIcon(width)->SetPressedIcon(image);
}

void CTKImageManagerIconSet::RemoveAll() {
  auto icons = std::move(m_mapIcons);
  m_mapIcons.clear();
  for (auto& [width, icon] : icons) {
    icon->Clear();
    icon->m_pIconSet = nullptr;
    icon->InternalRelease();
  }
}

void CTKImageManagerIconSet::RefreshAll() {
  for (auto& [width, icon] : m_mapIcons) icon->Refresh();
}

// ---- CTKImageManager ------------------------------------------------------------------------------

CTKImageManager::CTKImageManager() = default;

CTKImageManager::~CTKImageManager() { RemoveAll(); }

CTKImageManager* CTKImageManager::GetDefault() {
  static CTKImageManager manager;
  return &manager;
}

BOOL CTKImageManager::SetIcon(CTKImageHandle& image, UINT id, int width, int height, int state) {
  if (image.IsEmpty()) return FALSE;
  if (width == 0 && height == 0) {
    CSize extent = image.GetExtent();
    width = extent.cx;
    height = extent.cy;
    if (width == 0 && height == 0) return FALSE;
  }
  UINT key = static_cast<UINT>(width);
  if (CTKImageManagerIconSet* set = GetIconSet(id)) {
    const bool newIcon = set->GetIcon(key, FALSE) == nullptr;
    switch (state) {
      case tkImageNormal:
        set->SetIcon(image, key);
        break;
      case tkImageDisabled:
        set->SetDisabledIcon(image, key);
        break;
      case tkImageHot:
        set->SetHotIcon(image, key);
        break;
      case tkImageChecked:
        set->SetCheckedIcon(image, key);
        break;
      case tkImagePressed:
        set->SetPressedIcon(image, key);
        break;
      default:
        break;
    }
    return Stored(set, key, state, newIcon, false);
  }
  if (state != tkImageNormal) return FALSE;
  auto* set = new CTKImageManagerIconSet(id, this);
  m_mapIcons[id] = set;
  set->SetIcon(image, key);
  return Stored(set, key, state, true, true);
}

BOOL CTKImageManager::Stored(CTKImageManagerIconSet* set, UINT width, int state, bool newIcon, bool newSet) {
  CTKImageManagerIcon* icon = set->GetIcon(width, FALSE);
  static const int kSlotOfState[] = {CTKImageManagerIcon::kNormal, CTKImageManagerIcon::kDisabled,
                                     CTKImageManagerIcon::kHot, CTKImageManagerIcon::kChecked,
                                     CTKImageManagerIcon::kPressed};
  if (icon && state >= tkImageNormal && state <= tkImagePressed && !icon->m_arrImages[kSlotOfState[state]].IsEmpty())
    return TRUE;
  // Nothing was stored: an icon or set made for it goes again, so no
  // look-up finds an empty icon.
  if (icon && newIcon) {
    set->m_mapIcons.erase(width);
    icon->Clear();
    icon->m_pIconSet = nullptr;
    icon->InternalRelease();
  }
  if (newSet && set->m_mapIcons.empty()) {
    m_mapIcons.erase(set->GetID());
    set->InternalRelease();
  }
  return FALSE;
}

BOOL CTKImageManager::SetIcon(HICON icon, UINT id, CSize size, int state) {
  CTKImageHandle image(icon, TRUE);
  return SetIcon(image, id, size.cx, size.cy, state);
}

BOOL CTKImageManager::SetIconFromResource(LPCTSTR name, UINT id, int width, int height, int state) {
  HMODULE module = nullptr;
  if (HRSRC group = FindResourceInModules(&module, name, RT_GROUP_ICON)) {
    HGLOBAL data = LoadResource(module, group);
    const BYTE* bytes = data ? static_cast<const BYTE*>(LockResource(data)) : nullptr;
    DWORD size = SizeofResource(module, group);
    if (!bytes || size < 6) return TRUE;
    WORD count = 0;
    std::memcpy(&count, bytes + 4, 2);
    for (UINT i = 0; i < count && 6u + 14u * (i + 1) <= size; ++i) {
      const BYTE* entry = bytes + 6 + 14 * i;
      bool all = width == 0 && height == 0;
      if (!all && (entry[0] != static_cast<BYTE>(width) || entry[1] != static_cast<BYTE>(height))) continue;
      int entryWidth = entry[0] ? entry[0] : 256, entryHeight = entry[1] ? entry[1] : 256;
      WORD entryId = 0;
      std::memcpy(&entryId, entry + 12, 2);
      CTKImageHandle image;
      if (!image.LoadIconResource(module, MAKEINTRESOURCE(entryId), entryWidth, entryHeight, FALSE)) break;
      if (!SetIcon(image, id, entryWidth, entryHeight, state)) break;
    }
    return TRUE;
  }
  CTKImageHandle image;
  if (!image.LoadIconResource(name, width, height, FALSE)) return FALSE;
  return SetIcon(image, id, width, height, state);
}

BOOL CTKImageManager::SetIconFromResourceId(UINT resourceId, UINT id, int width, int height, int state) {
  return SetIconFromResource(MAKEINTRESOURCE(resourceId), id, width, height, state);
}

BOOL CTKImageManager::SetIconsFromIcoFile(LPCTSTR path, UINT id, CSize size, int state) {
  CFile file;
  if (!path || !file.Open(path, CFile::modeRead | CFile::shareDenyNone)) return FALSE;
  int stored = 0;
  try {
    WORD header[3] = {};
    if (file.Read(header, 6) != 6 || header[1] != 1 || header[2] == 0) return FALSE;
    const UINT count = header[2];
    std::vector<BYTE> directory(static_cast<size_t>(count) * 16);
    if (file.Read(directory.data(), static_cast<UINT>(directory.size())) != directory.size()) return FALSE;
    const ULONGLONG length = file.GetLength();
    for (UINT i = 0; i < count; ++i) {
      const BYTE* entry = directory.data() + i * 16;
      bool all = size.cx == 0 && size.cy == 0;
      if (!all && (entry[0] != static_cast<BYTE>(size.cx) || entry[1] != static_cast<BYTE>(size.cy))) continue;
      int entryWidth = entry[0] ? entry[0] : 256, entryHeight = entry[1] ? entry[1] : 256;
      DWORD bytes = 0, offset = 0;
      std::memcpy(&bytes, entry + 8, 4);
      std::memcpy(&offset, entry + 12, 4);
      // The directory is not trusted: the image must lie inside the file.
      if (bytes < 8 || offset > length || bytes > length - offset) continue;
      std::vector<BYTE> image(bytes);
      file.Seek(offset, CFile::begin);
      if (file.Read(image.data(), bytes) != bytes) continue;
      CTKImageHandle handle;
      if (handle.SetFromIconBits(image.data(), bytes, entryWidth, entryHeight) &&
          SetIcon(handle, id, entryWidth, entryHeight, state))
        ++stored;
    }
  } catch (CException* e) {
    e->Delete();
  }
  return stored > 0;
}

BOOL CTKImageManager::SetIconsFromImageList(CImageList* imageList, const UINT* ids, int count, int width, int height,
                                            int state) {
  if (!imageList || !imageList->GetSafeHandle()) return FALSE;
  HIMAGELIST list = imageList->GetSafeHandle();
  const int images = ImageList_GetImageCount(list);
  if (count == 0 && !ids) count = images;
  if (width == 0 && height == 0 && count > 0) ImageList_GetIconSize(list, &width, &height);
  const bool oneToOne = count == images;
  int k = 0;
  for (int i = 0; i < count; ++i) {
    if (ids && !oneToOne && (ids[i] == 0 || ids[i] == kSkipId)) continue;
    HICON icon = ImageList_GetIcon(list, k, ILD_NORMAL);
    if (!icon) return FALSE;
    CTKImageHandle image(icon, TRUE);
    SetIcon(image, ids ? ids[i] : static_cast<UINT>(i), width, height, state);
    DestroyIcon(icon);
    ++k;
  }
  return TRUE;
}

BOOL CTKImageManager::SetIconsFromBitmap(HBITMAP bitmap, const UINT* ids, int count, int width, int height, int state,
                                         BOOL alpha) {
  BITMAP bm{};
  if (!bitmap || !::GetObject(bitmap, sizeof(bm), &bm)) return FALSE;
  const int stripWidth = bm.bmWidth, stripHeight = bm.bmHeight < 0 ? -bm.bmHeight : bm.bmHeight;
  if (width == 0 && height == 0 && count > 0) {
    width = stripWidth / count;
    height = stripHeight;
  } else if (count == 0 && width > 0) {
    count = stripWidth / width;
  }
  if (width <= 0) return FALSE;
  if (height <= 0) height = stripHeight;
  if (!alpha) {
    CImageList list;
    if (!list.Create(width, height, ILC_MASK | ILC_COLOR24, 0, 1)) return FALSE;
    COLORREF mask = m_clrMask;
    if (mask == static_cast<COLORREF>(-1)) {
      CTKScopedBitmapDC mem(bitmap);
      mask = GetPixel(mem, 0, 0);
    }
    if (ImageList_AddMasked(list, bitmap, mask) < 0) return FALSE;
    return SetIconsFromImageList(&list, ids, count, width, height, state);
  }
  if (stripWidth % width != 0) return FALSE;
  const int n = stripWidth / width;
  std::vector<HBITMAP> pieces(n, nullptr);
  if (!SplitBitmap(bitmap, n, pieces.data())) return FALSE;
  const bool oneToOne = count == n;
  int k = 0;
  for (int i = 0; i < count && k < n; ++i) {
    if (ids && !oneToOne && (ids[i] == 0 || ids[i] == kSkipId)) continue;
    CTKImageHandle image(pieces[k]);
    SetIcon(image, ids ? ids[i] : static_cast<UINT>(i), width, stripHeight, state);
    ++k;
  }
  for (HBITMAP piece : pieces) DeleteObject(piece);
  return TRUE;
}

BOOL CTKImageManager::SetIconsFromBitmap(CBitmap* bitmap, const UINT* ids, int count, CSize size, int state,
                                         BOOL alpha) {
  return bitmap ? SetIconsFromBitmap(static_cast<HBITMAP>(bitmap->GetSafeHandle()), ids, count, size.cx, size.cy, state,
                                     alpha)
                : FALSE;
}

BOOL CTKImageManager::SetIconsFromBitmapName(LPCTSTR name, const UINT* ids, int count, int width, int height,
                                             int state) {
  BOOL alpha = FALSE;
  HBITMAP bitmap = LoadBitmapResource(name, &alpha);
  if (!bitmap) return FALSE;
  BOOL ok = SetIconsFromBitmap(bitmap, ids, count, width, height, state, alpha);
  DeleteObject(bitmap);
  return ok;
}

BOOL CTKImageManager::SetIconsFromBitmapResource(UINT resourceId, const UINT* ids, int count, int width, int height,
                                                 int state) {
  return SetIconsFromBitmapName(MAKEINTRESOURCE(resourceId), ids, count, width, height, state);
}

BOOL CTKImageManager::SetIconsFromToolBar(UINT toolBarId, UINT bitmapId, int state) {
  if (toolBarId == 0 || bitmapId == 0) return FALSE;
  HMODULE module = nullptr;
  HRSRC res = FindResourceInModules(&module, MAKEINTRESOURCE(toolBarId), MAKEINTRESOURCE(241));
  if (!res) return FALSE;
  HGLOBAL data = LoadResource(module, res);
  const void* bytes = data ? LockResource(data) : nullptr;
  pv::ToolBarTemplate toolBar;
  if (!bytes || !pv::DecodeToolBarResource(bytes, SizeofResource(module, res), &toolBar)) return FALSE;
  std::vector<UINT> ids;
  for (WORD item : toolBar.ids)
    if (item) ids.push_back(item);
  if (ids.empty()) return FALSE;
  return SetIconsFromBitmapResource(bitmapId, ids.data(), static_cast<int>(ids.size()), 0, 0, state);
}

CTKImageManagerIcon* CTKImageManager::LookupIcon(UINT id, int width) {
  CTKImageManagerIconSet* set = GetIconSet(id);
  return set ? set->GetIcon(static_cast<UINT>(width), TRUE) : nullptr;
}

BOOL CTKImageManager::HasIcon(UINT id, int width) {
  CTKImageManagerIconSet* set = GetIconSet(id);
  return set && set->GetIcon(static_cast<UINT>(width), FALSE) ? TRUE : FALSE;
}

CTKImageManagerIconSet* CTKImageManager::GetIconSet(UINT id) const {
  auto it = m_mapIcons.find(id);
  return it == m_mapIcons.end() ? nullptr : it->second;
}

COLORREF CTKImageManager::SetMaskColor(COLORREF color) {
  COLORREF old = m_clrMask;
  m_clrMask = color;
  return old;
}

void CTKImageManager::ResetGeneratedImages() {
  for (auto& [id, set] : m_mapIcons) set->RefreshAll();
}

void CTKImageManager::RemoveAll() {
  auto sets = std::move(m_mapIcons);
  m_mapIcons.clear();
  for (auto& [id, set] : sets) {
    set->RemoveAll();
    set->InternalRelease();
  }
  for (auto& [key, sheet] : m_mapResources) delete sheet;
  m_mapResources.clear();
}

CTKImageManagerResource* CTKImageManager::GetResource(int width, int height) {
  DWORD key = (static_cast<DWORD>(height) << 16) | (static_cast<DWORD>(width) & 0xFFFF);
  auto it = m_mapResources.find(key);
  if (it != m_mapResources.end()) return it->second;
  auto* sheet = new CTKImageManagerResource(this, CSize(width, height));
  m_mapResources[key] = sheet;
  return sheet;
}

BOOL CTKImageManager::IsDrawMirrored(HDC hdc) const {
  return m_nDrawMirrored == 1 || (m_nDrawMirrored == 2 && TKIsContextRTL(hdc));
}
