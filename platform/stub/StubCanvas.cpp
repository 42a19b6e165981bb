// Recording canvas for tests.
#include "platform/stub/StubCanvas.hpp"

#include "platform/FontTable.hpp"

namespace quovent::platform::stub {

namespace {
DrawCall call(DrawCall::Kind kind) {
    DrawCall c;
    c.kind = kind;
    return c;
}
} // namespace

void StubCanvas::fillRect(Rect area, Color color) {
    DrawCall c = call(DrawCall::Kind::FillRect);
    c.rect = area;
    c.color = color;
    calls.push_back(std::move(c));
}

void StubCanvas::strokeRect(Rect area, Color color) {
    DrawCall c = call(DrawCall::Kind::StrokeRect);
    c.rect = area;
    c.color = color;
    calls.push_back(std::move(c));
}

void StubCanvas::drawLine(Point from, Point to, Color color) {
    DrawCall c = call(DrawCall::Kind::Line);
    c.from = from;
    c.to = to;
    c.color = color;
    calls.push_back(std::move(c));
}

void StubCanvas::drawImage(const Image& image, Rect dest, Point source) {
    DrawCall c = call(DrawCall::Kind::Image);
    c.rect = dest;
    c.from = source;
    c.image = &image;
    calls.push_back(std::move(c));
}

void StubCanvas::drawText(std::string_view text, Rect area, const TextStyle& style) {
    DrawCall c = call(DrawCall::Kind::Text);
    c.rect = area;
    c.color = style.color;
    c.text = std::string(text);
    c.style = style;
    calls.push_back(std::move(c));
}

int StubCanvas::textWidth(std::string_view text, int /*font*/, int /*fontStyle*/) {
    return static_cast<int>(text.size()) * 6;
}

int StubCanvas::lineHeight(int font, int /*fontStyle*/) {
    return fontEntry(font).pixelSize + 2;
}

std::unique_ptr<Canvas> StubCanvas::createOffscreen(Rect area) {
    ++offscreensCreated;
    return std::make_unique<StubCanvas>(area.width(), area.height(), scale_);
}

void StubCanvas::drawCanvas(Canvas& offscreen, Point dest) {
    auto& source = dynamic_cast<StubCanvas&>(offscreen);
    DrawCall marker = call(DrawCall::Kind::Canvas);
    marker.rect = Rect::sized(dest.x, dest.y, source.width(), source.height());
    calls.push_back(std::move(marker));
    for (DrawCall call : source.calls) {
        call.rect = call.rect.offset(dest.x, dest.y);
        if (call.kind == DrawCall::Kind::Line) {
            call.from = {call.from.x + dest.x, call.from.y + dest.y};
            call.to = {call.to.x + dest.x, call.to.y + dest.y};
        }
        call.viaOffscreen = true;
        calls.push_back(std::move(call));
    }
}

void StubCanvas::setClip(Rect area) {
    DrawCall c = call(DrawCall::Kind::Clip);
    c.rect = area;
    calls.push_back(std::move(c));
}

void StubCanvas::resetClip() {
    calls.push_back(call(DrawCall::Kind::ResetClip));
}

void StubCanvas::flush() {
    calls.push_back(call(DrawCall::Kind::Flush));
}

} // namespace quovent::platform::stub
