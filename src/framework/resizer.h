#pragma once
// The window resizer (WINDOWRESIZETYPE), pure geometry: where each control of a resizable
// window goes when the window takes a new size. Controls move and grow in proportion to the
// window, except (strategy 2) that buttons keep their size and their distance from the nearer
// window edge, check boxes and radio buttons keep their size, and single-line input controls
// keep their height. Every resize is computed from the geometry at initialize(), so resizing
// back and forth never accumulates rounding.
//
// resizer_ui.h applies it to a QWidget's children.
#include "data/fieldtypes.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace winresize {

struct Rect {
    LONG XPOS = 0, YPOS = 0, WIDTH = 0, HEIGHT = 0;
    bool operator==(const Rect &) const = default;
};

// Our control kinds, grouped as the strategies need them.
enum class ControlKind {
    Other,       // list boxes, group boxes, sheets, images: scale
    String,      // a text label
    Button,
    CheckBox,
    RadioButton,
    SingleLine,  // entry field, combo box, spin box, date entry: keep the height
};

// Application strategies of INITIALIZE.
enum Strategy : LONG { RESIZESTRATEGY = 1, SPREADSTRATEGY = 2 };

// Positional strategy: low byte for x, high byte for y.
enum Position : std::uint16_t {
    POS_SCALE = 0,
    POS_X_KEEP = 0x01, POS_X_RIGHT = 0x02, POS_X_LEFT = 0x04, POS_X_CENTRE = 0x08, POS_X_NEARER = 0x10,
    POS_Y_KEEP = 0x100, POS_Y_BOTTOM = 0x200, POS_Y_TOP = 0x400, POS_Y_CENTRE = 0x800, POS_Y_NEARER = 0x1000,
};
// Resize strategy bits.
enum Keep : std::uint16_t { KEEP_WIDTH = 1, KEEP_HEIGHT = 2 };

struct Control {
    int number = 0;
    ControlKind kind = ControlKind::Other;
    Rect geometry;
};

// An entry of CONTROLQUEUE.
struct ControlEntry {
    int number = 0;
    ControlKind kind = ControlKind::Other;
    std::uint16_t positional = 0;
    std::uint16_t resize = 0;
    Rect original;
};

struct Placement {
    int number;
    Rect geometry;
};

class WindowResizeType {
public:
    // Records the window's geometry and every control's, and sets each control's strategies.
    void initialize(const Rect &window, const std::vector<Control> &controls, LONG strategy);
    // The new geometry of every control for the window's current geometry, in control
    // number order; nothing when the width and height are those of the last resize handled.
    std::optional<std::vector<Placement>> resize(const Rect &window);
    void destroy();

    const Rect &originalWindow() const { return ORIGWIN; }
    const std::vector<ControlEntry> &controls() const { return CONTROLQUEUE; }

    // Scale factor current / original as a decimal with four places (units of 1/10000,
    // rounded half away from zero); 1 when the original size is 0.
    static std::int64_t scaleOf(LONG current, LONG original);
    // Resolves POS_X_NEARER / POS_Y_NEARER into the edge nearer to the control.
    static std::uint16_t deriveStrategy(const ControlEntry &entry, const Rect &origWin);
    static Rect place(const ControlEntry &entry, const Rect &origWin, const Rect &window);

private:
    static void strategyFor(ControlEntry &entry, LONG strategy);

    Rect ORIGWIN;
    Rect PREVIOUSWIN;
    std::vector<ControlEntry> CONTROLQUEUE;
};

} // namespace winresize
