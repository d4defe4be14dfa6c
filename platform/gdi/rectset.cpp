// The rectangle-set engine: sets are combined band by band, each band span by
// span, and every result is put back into the canonical form.
#include "platform/gdi/rectset.h"

#include <algorithm>
#include <cstdint>

namespace pv::gdi {

RECT RectSet::Box() const {
  if (rects.empty()) return RECT{0, 0, 0, 0};
  RECT b = rects[0];
  for (const RECT& r : rects) {
    b.left = std::min(b.left, r.left);
    b.top = std::min(b.top, r.top);
    b.right = std::max(b.right, r.right);
    b.bottom = std::max(b.bottom, r.bottom);
  }
  return b;
}

bool RectSet::Contains(int x, int y) const {
  for (const RECT& r : rects)
    if (x >= r.left && x < r.right && y >= r.top && y < r.bottom) return true;
  return false;
}

bool RectSet::Intersects(const RECT& q) const {
  for (const RECT& r : rects)
    if (std::max(r.left, q.left) < std::min(r.right, q.right) && std::max(r.top, q.top) < std::min(r.bottom, q.bottom))
      return true;
  return false;
}

bool RectSet::operator==(const RectSet& o) const {
  return std::equal(rects.begin(), rects.end(), o.rects.begin(), o.rects.end(), [](const RECT& a, const RECT& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
  });
}

void RectSet::Offset(int dx, int dy) {
  for (RECT& r : rects) {
    r.left += dx;
    r.right += dx;
    r.top += dy;
    r.bottom += dy;
  }
}

RectSet RectSet::FromRect(int l, int t, int r, int b) {
  RectSet rl;
  if (l > r) std::swap(l, r);
  if (t > b) std::swap(t, b);
  if (l < r && t < b) rl.rects.push_back(RECT{l, t, r, b});
  return rl;
}

using Spans = std::vector<std::pair<int, int>>;

// Appends one band, merging it with the previous band when the spans match.
static void AddBand(std::vector<RECT>& out, int top, int bottom, const Spans& spans, size_t& lastBandStart) {
  if (spans.empty() || top >= bottom) return;
  if (lastBandStart < out.size()) {
    const RECT& first = out[lastBandStart];
    size_t n = out.size() - lastBandStart;
    if (first.bottom == top && n == spans.size()) {
      bool same = true;
      for (size_t i = 0; i < n && same; ++i)
        same = out[lastBandStart + i].left == spans[i].first && out[lastBandStart + i].right == spans[i].second;
      if (same) {
        for (size_t i = 0; i < n; ++i) out[lastBandStart + i].bottom = bottom;
        return;
      }
    }
  }
  lastBandStart = out.size();
  for (auto& s : spans) out.push_back(RECT{s.first, top, s.second, bottom});
}

RectSet RectSet::FromSpans(int top, const std::vector<Spans>& rows) {
  RectSet rl;
  size_t last = SIZE_MAX;
  for (size_t i = 0; i < rows.size(); ++i) {
    Spans s = rows[i];
    std::sort(s.begin(), s.end());
    Spans merged;
    for (auto& p : s) {
      if (p.first >= p.second) continue;
      if (!merged.empty() && p.first <= merged.back().second)
        merged.back().second = std::max(merged.back().second, p.second);
      else merged.push_back(p);
    }
    AddBand(rl.rects, top + static_cast<int>(i), top + static_cast<int>(i) + 1, merged, last);
  }
  return rl;
}

static Spans SpansAt(const RectSet& rl, int y) {
  Spans s;
  for (const RECT& r : rl.rects)
    if (y >= r.top && y < r.bottom) s.push_back({r.left, r.right});
  std::sort(s.begin(), s.end());
  return s;
}

static Spans CombineSpans(const Spans& a, const Spans& b, int mode) {
  // Sweep over the x edges of both span lists.
  std::vector<int> xs;
  for (auto& p : a) {
    xs.push_back(p.first);
    xs.push_back(p.second);
  }
  for (auto& p : b) {
    xs.push_back(p.first);
    xs.push_back(p.second);
  }
  std::sort(xs.begin(), xs.end());
  xs.erase(std::unique(xs.begin(), xs.end()), xs.end());
  auto inside = [](const Spans& s, int x) {
    for (auto& p : s)
      if (x >= p.first && x < p.second) return true;
    return false;
  };
  Spans out;
  for (size_t i = 0; i + 1 < xs.size(); ++i) {
    int x0 = xs[i], x1 = xs[i + 1];
    bool ia = inside(a, x0), ib = inside(b, x0), in;
    switch (mode) {
      case RGN_AND:
        in = ia && ib;
        break;
      case RGN_OR:
        in = ia || ib;
        break;
      case RGN_XOR:
        in = ia != ib;
        break;
      case RGN_DIFF:
        in = ia && !ib;
        break;
      default:
        in = ia;
        break;
    }
    if (!in) continue;
    if (!out.empty() && out.back().second == x0) out.back().second = x1;
    else out.push_back({x0, x1});
  }
  return out;
}

RectSet RectSet::Combine(const RectSet& a, const RectSet& b, int mode) {
  if (mode == RGN_COPY) return a;
  if (mode == RGN_AND && (a.Empty() || b.Empty())) return RectSet();
  if ((mode == RGN_OR || mode == RGN_XOR) && b.Empty()) return a;
  if ((mode == RGN_OR || mode == RGN_XOR) && a.Empty()) return b;
  if (mode == RGN_DIFF && (a.Empty() || b.Empty())) return a;
  // Fast path: two single rectangles intersected.
  if (mode == RGN_AND && a.rects.size() == 1 && b.rects.size() == 1) {
    const RECT &r = a.rects[0], &s = b.rects[0];
    return FromRect(std::max(r.left, s.left), std::max(r.top, s.top),
                    std::max(std::max(r.left, s.left), std::min(r.right, s.right)),
                    std::max(std::max(r.top, s.top), std::min(r.bottom, s.bottom)));
  }
  std::vector<int> ys;
  for (const RECT& r : a.rects) {
    ys.push_back(r.top);
    ys.push_back(r.bottom);
  }
  for (const RECT& r : b.rects) {
    ys.push_back(r.top);
    ys.push_back(r.bottom);
  }
  std::sort(ys.begin(), ys.end());
  ys.erase(std::unique(ys.begin(), ys.end()), ys.end());
  RectSet out;
  size_t last = SIZE_MAX;
  for (size_t i = 0; i + 1 < ys.size(); ++i) {
    Spans s = CombineSpans(SpansAt(a, ys[i]), SpansAt(b, ys[i]), mode);
    AddBand(out.rects, ys[i], ys[i + 1], s, last);
  }
  return out;
}

}  // namespace pv::gdi
