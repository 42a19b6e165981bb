// The skin's one palette: a graphite body, cream readouts and a single amber accent for
// everything that is lit (on steps, pressed buttons, selected positions, lamps).
#pragma once

namespace quovent::skin {

struct Colour {
    double r = 0;
    double g = 0;
    double b = 0;
    double a = 1;
};

constexpr Colour rgb(int r, int g, int b, double a = 1.0) noexcept {
    return {r / 255.0, g / 255.0, b / 255.0, a};
}

namespace palette {
// Body and panels.
constexpr Colour body = rgb(36, 38, 42);       // window ground and gaps between panels
constexpr Colour header = rgb(44, 46, 51);     // top area panel
constexpr Colour panel = rgb(52, 55, 61);      // slot row panels; sliders sit on this flat colour
constexpr Colour edgeLight = rgb(78, 82, 90);  // top/left bevel of raised panels
constexpr Colour edgeDark = rgb(24, 25, 28);   // bottom/right bevel, outlines
constexpr Colour well = rgb(27, 28, 31);       // recessed wells behind steps, knobs, keys
constexpr Colour wellShadow = rgb(16, 17, 19); // inner top edge of a well
constexpr Colour wellLip = rgb(70, 74, 81);    // lower lip of a well (catches the light)

// Text.
constexpr Colour label = rgb(186, 190, 197);
constexpr Colour labelDim = rgb(146, 151, 159);
constexpr Colour labelFaint = rgb(92, 96, 104);

// Buttons.
constexpr Colour capTop = rgb(82, 86, 94);
constexpr Colour capBottom = rgb(64, 67, 74);
constexpr Colour capHighlight = rgb(110, 115, 124);
constexpr Colour capPressedTop = rgb(44, 46, 51);
constexpr Colour capPressedBottom = rgb(54, 57, 63);
constexpr Colour glyph = rgb(206, 210, 216);

// The accent.
constexpr Colour accent = rgb(255, 152, 42);
constexpr Colour accentBright = rgb(255, 198, 112);
constexpr Colour accentDeep = rgb(196, 104, 18);
constexpr Colour accentDark = rgb(96, 58, 22);
constexpr Colour accentInk = rgb(44, 26, 8); // text on a lit amber surface

// Readouts: blue text is drawn on these by the editor.
constexpr Colour lcd = rgb(226, 222, 206);
constexpr Colour lcdShade = rgb(196, 191, 172);
constexpr Colour lcdRim = rgb(14, 15, 17);

// Step buttons that are off.
constexpr Colour stepOff = rgb(62, 65, 72);
constexpr Colour stepOffBar = rgb(90, 95, 105);
constexpr Colour stepOffBarTop = rgb(126, 132, 143);
} // namespace palette

} // namespace quovent::skin
