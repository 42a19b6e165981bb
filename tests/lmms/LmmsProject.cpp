#include "tests/lmms/LmmsProject.hpp"
#include "tests/support/XmlText.hpp"

namespace quovent::test {

namespace {

std::string track(const LmmsTrack& t, const std::string& plugin) {
    std::string xml = R"(      <track muted="0" solo="0" type="0" name=")" + xmlEscaped(t.name) +
                      R"(">
        <instrumenttrack vol="100" pan="0" pitch="0" pitchrange="1" basenote="57" fxch="0" usemasterpitch="1">
          <instrument name="vestige">
            <vestige plugin=")" +
                      xmlEscaped(plugin) + '"';
    if (!t.chunk.empty()) {
        xml += R"( chunk=")" + base64(t.chunk) + R"(" program="0")";
    }
    xml +=
        R"(/>
          </instrument>
          <midiport inputchannel="0" outputchannel=")" +
        std::to_string(t.midiChannel) +
        R"(" inputcontroller="0" outputcontroller="0" outputprogram="1" basevelocity="127" fixedinputvelocity="-1" fixedoutputvelocity="-1" fixedoutputnote="-1" readable="0" writable="0"/>
        </instrumenttrack>
)";
    int end = 0;
    for (const LmmsNote& n : t.notes) {
        end = std::max(end, n.tick + n.length);
    }
    const int bars = end / (4 * LmmsProject::kTicksPerBeat) + 1;
    xml += R"(        <pattern type="1" muted="0" pos="0" steps="16" name="notes" len=")" +
           std::to_string(bars * 4 * LmmsProject::kTicksPerBeat) + "\">\n";
    for (const LmmsNote& n : t.notes) {
        xml += "          <note pan=\"0\" pos=\"" + std::to_string(n.tick) + "\" len=\"" +
               std::to_string(n.length) + "\" key=\"" + std::to_string(n.key) + "\" vol=\"" +
               std::to_string(n.velocity) + "\"/>\n";
    }
    xml += "        </pattern>\n      </track>\n";
    return xml;
}

} // namespace

std::string LmmsProject::xml() const {
    std::string out = R"(<?xml version="1.0"?>
<!DOCTYPE lmms-project>
<lmms-project creator="LMMS" version="1.0" type="song" creatorversion="1.2.2">
  <head timesig_numerator="4" timesig_denominator="4" mastervol="100" masterpitch="0" bpm=")" +
                      std::to_string(bpm) + R"("/>
  <song>
    <trackcontainer type="song">
)";
    for (const LmmsTrack& t : tracks) {
        out += track(t, pluginPath);
    }
    out += "    </trackcontainer>\n  </song>\n</lmms-project>\n";
    return out;
}

std::string base64(const std::string& bytes) {
    static constexpr char kDigits[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    std::size_t i = 0;
    const auto byte = [&](std::size_t k) {
        return static_cast<unsigned>(static_cast<unsigned char>(bytes[k]));
    };
    for (; i + 2 < bytes.size(); i += 3) {
        const unsigned v = byte(i) << 16 | byte(i + 1) << 8 | byte(i + 2);
        for (const int shift : {18, 12, 6, 0}) {
            out += kDigits[(v >> shift) & 63];
        }
    }
    if (i < bytes.size()) {
        const unsigned v = byte(i) << 16 | (i + 1 < bytes.size() ? byte(i + 1) << 8 : 0u);
        out += kDigits[(v >> 18) & 63];
        out += kDigits[(v >> 12) & 63];
        out += i + 1 < bytes.size() ? kDigits[(v >> 6) & 63] : '=';
        out += '=';
    }
    return out;
}

} // namespace quovent::test
