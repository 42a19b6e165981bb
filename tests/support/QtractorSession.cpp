#include "tests/support/QtractorSession.hpp"

#include "tests/support/Base64.hpp"
#include "tests/support/XmlText.hpp"

#include <algorithm>
#include <cstdint>

namespace quovent::test {

namespace {

std::string element(const std::string& name, const std::string& value) {
    return "<" + name + ">" + xmlEscaped(value) + "</" + name + ">";
}

// Qt's qCompress: the uncompressed length in four big-endian bytes, then a zlib stream, here
// of stored (uncompressed) deflate blocks, which any zlib reader takes.
std::string qCompressed(const std::string& data) {
    constexpr std::size_t kBlock = 65535;
    std::string out;
    const auto putBig = [&out](std::uint32_t value, int bytes) {
        for (int i = bytes - 1; i >= 0; --i) {
            out += static_cast<char>((value >> (8 * i)) & 0xFF);
        }
    };
    putBig(static_cast<std::uint32_t>(data.size()), 4);
    out += "\x78\x01";
    std::size_t at = 0;
    do {
        const std::size_t size = std::min(kBlock, data.size() - at);
        out += static_cast<char>(at + size == data.size() ? 1 : 0); // the last block, stored
        for (const std::uint32_t half :
             {static_cast<std::uint32_t>(size), static_cast<std::uint32_t>(~size & 0xFFFF)}) {
            out += static_cast<char>(half & 0xFF);
            out += static_cast<char>((half >> 8) & 0xFF);
        }
        out.append(data, at, size);
        at += size;
    } while (at < data.size());
    std::uint32_t a = 1;
    std::uint32_t b = 0;
    for (const char c : data) { // Adler-32
        a = (a + static_cast<unsigned char>(c)) % 65521;
        b = (b + a) % 65521;
    }
    putBig((b << 16) | a, 4);
    return out;
}

} // namespace

QtractorConfig QtractorSession::lv2State(const std::string& pluginUri,
                                         const std::string& propertyUri, const std::string& value) {
    std::string literal;
    for (const char c : value) { // a Turtle long string
        if (c == '\\' || c == '"') {
            literal += '\\';
        }
        literal += c;
    }
    const std::string turtle = "<urn:qtractor:state>\n\ta pset:Preset ;\n\tlv2:appliesTo <" +
                               pluginUri + "> ;\n\tstate:state [\n\t\t<" + propertyUri +
                               "> \"\"\"" + literal + "\"\"\"\n\t] .\n";
    return {"urn:qtractor:state#key", "urn:qtractor:state#type", base64Encode(qCompressed(turtle))};
}

QtractorConfig QtractorSession::clapState(const std::string& stream) {
    return {"state", "", base64Encode(qCompressed(stream))};
}

std::string QtractorSession::text(const std::string& name, const std::filesystem::path& folder,
                                  int sampleRate, double tempo, const QtractorClips& clips,
                                  const QtractorPlugin& plugin) {
    std::string xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<!DOCTYPE qtractorSession>\n"
                      "<session name=\"" +
                      xmlEscaped(name) + "\" version=\"0.9.31\">\n <properties>" +
                      element("directory", folder.string()) +
                      element("sample-rate", std::to_string(sampleRate)) +
                      element("tempo", std::to_string(tempo)) + element("ticks-per-beat", "960") +
                      element("beats-per-bar", "4") + element("beat-divisor", "2") +
                      "</properties>\n <devices>\n  <audio-engine><audio-bus name=\"Master\" "
                      "mode=\"duplex\">" +
                      element("channels", "2") + element("auto-connect", "1") +
                      "</audio-bus></audio-engine>\n  <midi-engine><midi-bus name=\"Master\" "
                      "mode=\"duplex\"/></midi-engine>\n </devices>\n <tracks>\n";
    // A track plays its clips on its own channel, whatever the file says: a track a channel.
    for (const int channel : clips.channels) {
        const std::string label = "channel " + std::to_string(channel + 1);
        xml += "  <track name=\"" + label + "\" type=\"midi\">\n   <properties>";
        xml += element("input-bus", "Master") + element("output-bus", "Master");
        xml += element("midi-omni", "1") + element("midi-channel", std::to_string(channel));
        xml += "</properties>\n   <state>" + element("mute", "0") + element("solo", "0");
        xml += element("record", "0") + element("monitor", "0") + element("gain", "1");
        xml += element("panning", "0") + "</state>\n   <clips><clip name=\"" + label;
        xml += "\"><properties>" + element("name", label);
        xml += element("start", std::to_string(clips.start)) + element("offset", "0");
        xml += element("length", std::to_string(clips.length)) + element("gain", "1");
        xml += element("panning", "0") + element("mute", "0") + "</properties><midi-clip>";
        xml += element("filename", clips.midiFile.string());
        xml += element("track-channel", std::to_string(channel)) + element("revision", "1");
        xml += "</midi-clip></clip></clips>\n   <plugins><plugin type=\"" + plugin.type + "\">" +
               element("filename", plugin.filename) + element("index", "0") +
               element("activated", "1") + "<configs>";
        for (const QtractorConfig& config : plugin.configs) {
            xml += "<config key=\"" + xmlEscaped(config.key) + "\" type=\"" +
                   xmlEscaped(config.type) + "\">" + xmlEscaped(config.value) + "</config>";
        }
        xml += "</configs></plugin></plugins>\n  </track>\n";
    }
    xml += " </tracks>\n</session>\n";
    return xml;
}

} // namespace quovent::test
