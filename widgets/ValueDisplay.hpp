// A read-only display of a value as text ("%2.2f" unless a value-to-text function is set),
// with its font, colours, alignment and style flags. A background bitmap replaces the
// background fill. The text is drawn on one line, vertically centred.
#pragma once

#include "widgets/Control.hpp"

#include <functional>
#include <string>

namespace quovent {

// Style flags of text controls.
namespace displayStyle {
inline constexpr int kShadowText = 0x004;  // text drawn over a shadow one pixel down-right
inline constexpr int kRaisedFrame = 0x080; // frame light top-left, dark bottom-right
inline constexpr int kSunkenFrame = 0x100; // the reverse; both bits: a plain frame
inline constexpr int kFrameMask = kRaisedFrame | kSunkenFrame;
inline constexpr int kMenuAtTop = 0x200; // a pop-up menu opens at the control's top
inline constexpr int kNoText = 0x800;    // background and frame only
inline constexpr int kNoDraw = 0x1000;   // draws nothing at all
} // namespace displayStyle

class ValueDisplay : public Control {
public:
    using ValueToText = std::function<std::string(float)>;

    ValueDisplay(Rect size, ValueListener* listener, int tag, BitmapPtr background = {},
                 int style = 0);

    void setValueToText(ValueToText function) { valueToText_ = std::move(function); }
    // The text drawn for the current value.
    virtual std::string displayText() const;

    void setFont(int font) noexcept { font_ = font; }
    int font() const noexcept { return font_; }
    void setFontStyle(int bits) noexcept { fontStyle_ = bits; }
    int fontStyle() const noexcept { return fontStyle_; }
    void setTextColor(Color c) noexcept { textColor_ = c; }
    void setBackColor(Color c) noexcept { backColor_ = c; }
    void setFrameColor(Color c) noexcept { frameColor_ = c; }
    void setShadowColor(Color c) noexcept { shadowColor_ = c; }
    Color textColor() const noexcept { return textColor_; }
    Color backColor() const noexcept { return backColor_; }
    // 0 left (one pixel in), 1 centre, 2 right.
    void setHoriAlign(int align) noexcept { align_ = align; }
    int horiAlign() const noexcept { return align_; }
    void setStyle(int style) noexcept { style_ = style; }
    int style() const noexcept { return style_; }

protected:
    void paint(DrawContext& context) override;
    void paintText(DrawContext& canvas, Rect area) const;

private:
    ValueToText valueToText_;
    int font_ = 0;
    int fontStyle_ = 0;
    Color textColor_ = colors::kBlack;
    Color backColor_ = colors::kWhite;
    Color frameColor_ = colors::kBlack;
    Color shadowColor_ = colors::kGrey;
    int align_ = 1;
    int style_ = 0;
};

} // namespace quovent
