// A Qtractor session file (.qtr, XML) written by a test: one MIDI track whose instrument is the
// plug-in under test, with one MIDI clip per channel of a MIDI file (a Qtractor clip holds one
// channel of a type 0 file), and the plug-in's state in the form Qtractor keeps it.
//
// Qtractor keeps an LV2 plug-in's state as one config entry: the state as lilv writes it in
// Turtle (subject urn:qtractor:state), compressed as Qt's qCompress does (the length in four
// big-endian bytes, then a zlib stream), in base64. A CLAP plug-in's state is the config entry
// "state": what the plug-in's state extension saved, compressed and in base64 just so.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace quovent::test {

struct QtractorConfig {
    std::string key;
    std::string type;
    std::string value;
};

struct QtractorPlugin {
    std::string type;     // LV2, CLAP, VST...
    std::string filename; // the LV2 URI, or the plug-in file
    std::vector<QtractorConfig> configs;
};

struct QtractorClips {
    std::filesystem::path midiFile;
    std::vector<int> channels; // 0..15, a clip each
    std::int64_t start = 0;    // frames
    std::int64_t length = 0;   // frames
};

class QtractorSession {
public:
    static std::string text(const std::string& name, const std::filesystem::path& folder,
                            int sampleRate, double tempo, const QtractorClips& clips,
                            const QtractorPlugin& plugin);
    // The config entry of an LV2 plug-in's state holding one string property.
    static QtractorConfig lv2State(const std::string& pluginUri, const std::string& propertyUri,
                                   const std::string& value);
    // The config entry of a CLAP plug-in's state: its stream.
    static QtractorConfig clapState(const std::string& stream);
};

} // namespace quovent::test
