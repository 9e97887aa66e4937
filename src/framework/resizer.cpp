#include "framework/resizer.h"

#include <algorithm>

namespace winresize {

namespace {

constexpr std::int64_t kOne = 10000; // scale factors are decimals with four places

// num / den rounded half away from zero (den > 0).
LONG roundDiv(std::int64_t num, std::int64_t den)
{
    std::int64_t q = (num >= 0 ? num + den / 2 : num - den / 2) / den;
    return static_cast<LONG>(q);
}

LONG scaled(LONG v, std::int64_t scale) { return roundDiv(std::int64_t(v) * scale, kOne); }

// One axis of CALCXPOS / CALCYPOS. how: 1 keep, 2 far edge, 4 near edge, 8 centre, else scale.
LONG position(int how, LONG orig, LONG origWin, LONG current, std::int64_t scale, bool fixedSize)
{
    switch (how) {
    case 1:
        return orig;
    case 2: { // keep the distance from the right (bottom) edge
        std::int64_t d = std::int64_t(origWin) - orig;
        return fixedSize ? static_cast<LONG>(current - d) : roundDiv(current * kOne - d * scale, kOne);
    }
    case 4:
        return fixedSize ? orig : scaled(orig, scale);
    case 8: { // keep the offset from the centre; twice the offset keeps it whole
        std::int64_t twiceD = 2 * std::int64_t(orig) - origWin;
        return fixedSize ? roundDiv(current + twiceD, 2) : roundDiv(current * kOne + twiceD * scale, 2 * kOne);
    }
    default:
        return scaled(orig, scale);
    }
}

} // namespace

std::int64_t WindowResizeType::scaleOf(LONG current, LONG original)
{
    if (original <= 0)
        return kOne; // no original size to compare with: leave the controls as they are
    return std::max<std::int64_t>(0, roundDiv(std::int64_t(current) * kOne, original));
}

void WindowResizeType::strategyFor(ControlEntry &e, LONG strategy)
{
    e.positional = POS_SCALE;
    e.resize = 0;
    if (strategy != SPREADSTRATEGY)
        return; // RESIZESTRATEGY and anything else: everything scales
    switch (e.kind) {
    case ControlKind::Button:
        e.positional = POS_X_NEARER | POS_Y_NEARER;
        e.resize = KEEP_WIDTH | KEEP_HEIGHT;
        break;
    case ControlKind::CheckBox:
    case ControlKind::RadioButton:
        e.resize = KEEP_WIDTH | KEEP_HEIGHT;
        break;
    case ControlKind::SingleLine:
        e.resize = KEEP_HEIGHT;
        break;
    case ControlKind::String:
    case ControlKind::Other:
        break;
    }
}

void WindowResizeType::initialize(const Rect &window, const std::vector<Control> &controls, LONG strategy)
{
    ORIGWIN = window;
    PREVIOUSWIN = window;
    CONTROLQUEUE.clear();
    CONTROLQUEUE.reserve(controls.size());
    for (const Control &c : controls) {
        ControlEntry e;
        e.number = c.number;
        e.kind = c.kind;
        e.original = c.geometry;
        strategyFor(e, strategy);
        CONTROLQUEUE.push_back(e);
    }
    std::stable_sort(CONTROLQUEUE.begin(), CONTROLQUEUE.end(),
                     [](const ControlEntry &a, const ControlEntry &b) { return a.number < b.number; });
}

std::uint16_t WindowResizeType::deriveStrategy(const ControlEntry &e, const Rect &origWin)
{
    std::uint16_t s = e.positional;
    const Rect &o = e.original;
    if ((s & 0xFF) == POS_X_NEARER) {
        LONG right = origWin.WIDTH - o.XPOS - o.WIDTH;
        s = static_cast<std::uint16_t>((s & 0xFF00) | (o.XPOS > right ? POS_X_RIGHT : POS_X_LEFT));
    }
    if ((s & 0xFF00) == POS_Y_NEARER) {
        LONG bottom = origWin.HEIGHT - o.YPOS - o.HEIGHT;
        s = static_cast<std::uint16_t>((s & 0x00FF) | (o.YPOS > bottom ? POS_Y_BOTTOM : POS_Y_TOP));
    }
    return s;
}

Rect WindowResizeType::place(const ControlEntry &e, const Rect &origWin, const Rect &window)
{
    const std::int64_t xs = scaleOf(window.WIDTH, origWin.WIDTH);
    const std::int64_t ys = scaleOf(window.HEIGHT, origWin.HEIGHT);
    const Rect &o = e.original;
    const bool keepW = e.resize & KEEP_WIDTH;
    const bool keepH = e.resize & KEEP_HEIGHT;
    Rect r;
    r.XPOS = scaled(o.XPOS, xs);
    r.YPOS = scaled(o.YPOS, ys);
    r.WIDTH = keepW ? o.WIDTH : scaled(o.WIDTH, xs);
    r.HEIGHT = keepH ? o.HEIGHT : scaled(o.HEIGHT, ys);
    const std::uint16_t s = deriveStrategy(e, origWin);
    if (xs != kOne)
        r.XPOS = position(s & 0xFF, o.XPOS, origWin.WIDTH, window.WIDTH, xs, keepW);
    if (ys != kOne)
        r.YPOS = position((s >> 8) & 0xFF, o.YPOS, origWin.HEIGHT, window.HEIGHT, ys, keepH);
    if (e.kind == ControlKind::String && o.WIDTH == 1)
        r.WIDTH = 1;
    return r;
}

std::optional<std::vector<Placement>> WindowResizeType::resize(const Rect &window)
{
    if (window.WIDTH == PREVIOUSWIN.WIDTH && window.HEIGHT == PREVIOUSWIN.HEIGHT)
        return std::nullopt; // moved, not resized
    PREVIOUSWIN = window;
    std::vector<Placement> out;
    out.reserve(CONTROLQUEUE.size());
    for (const ControlEntry &e : CONTROLQUEUE)
        out.push_back({e.number, place(e, ORIGWIN, window)});
    return out;
}

void WindowResizeType::destroy()
{
    CONTROLQUEUE.clear();
    CONTROLQUEUE.shrink_to_fit();
}

} // namespace winresize
