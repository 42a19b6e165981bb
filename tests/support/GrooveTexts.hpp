// Groove texts the state tests of every format share: a state with samples (WAV files that
// can be told apart by ear), steps, lanes and settings, and variations of a valid state that
// must be refused, each named by the reason it must be.
#pragma once

#include "tests/support/TestWav.hpp"

#include <cstdint>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

namespace quovent::test {

namespace fs = std::filesystem;

// A path as a state text carries it: '/' separators on every system (a Windows path's
// backslashes would be escapes in JSON), the form the instrument writes too.
inline std::string jsonPath(const fs::path& path) {
    return path.generic_string();
}

// A sample of the chunk tests: a decaying square wave of the given level and length, so
// samples differ in sound and onsets are sharp.
inline void writeWav(const fs::path& path, int frames, std::int16_t level) {
    TestWav::decayingSquare(frames, level, 50).write(path);
}

// Steps as a JSON array from a 16-character picture: 'x' on, anything else off.
inline std::string stepsJson(const std::string& picture) {
    std::string out = "[";
    for (std::size_t i = 0; i < 16; ++i) {
        out += i == 0 ? "" : ", ";
        out += i < picture.size() && picture[i] == 'x' ? "true" : "false";
    }
    return out + "]";
}

// A state with three samples in `dir` (made here), lanes, shuffle, filters, sync, output
// pairs and a pattern selection; pattern 0 and 13 have steps. Paths are absolute.
inline std::string richState(const fs::path& dir) {
    writeWav(dir / "kit" / "kick.wav", 12000, 24000);
    writeWav(dir / "kit" / "snare.wav", 9000, 14000);
    writeWav(dir / "kit" / "hat.wav", 3000, 8000);
    const std::string kit = jsonPath(dir / "kit");
    return R"({"format": "quovent-bank", "version": 1, "shuffleAmount": 0.3, "stepEditMode": 0.5,
  "bank": 1, "key": 1,
  "slots": [
    {"samplePath": ")" +
           kit + R"(/kick.wav", "volume": 0.8, "tune": 0.45},
    {"samplePath": ")" +
           kit + R"(/snare.wav", "pan": 0.3, "filterMode": 1, "freq": 0.6, "res": 0.4},
    {"samplePath": ")" +
           kit + R"(/hat.wav", "outputPair": 2, "sync": true, "tune": 0.7},
    {"active": false}
  ],
  "patterns": [
    {"rows": [{"stepOn": )" +
           stepsJson("x...x...x...x...") + R"(},
              {"stepOn": )" +
           stepsJson("....x.......x...") + R"(,
               "vol": [1, 1, 1, 1, 0.5, 1, 1, 1, 1, 1, 1, 1, 0.25, 1, 1, 1]},
              {"stepOn": )" +
           stepsJson("x.x.x.x.x.x.x.x.") + R"(}]},
    {}, {}, {}, {}, {}, {}, {}, {}, {}, {}, {}, {},
    {"rows": [{"stepOn": )" +
           stepsJson("x..x..x..x..x...") + R"(,
               "tune": [0, 0.1, 0.2, 0.3, 0.4, 0.5, 0.6, 0.7, 0.8, 0.9, 1, 1, 1, 1, 1, 1]},
              {"stepOn": )" +
           stepsJson("...x...x...x...x") + R"(,
               "pan": [0, 1, 0, 1, 0, 1, 0, 1, 0, 1, 0, 1, 0, 1, 0, 1]}]}
  ]})";
}

// Variations of a valid state that are refused, each with the reason it must be.
inline std::vector<std::pair<std::string, std::string>> refusedTexts(const std::string& valid,
                                                                     const std::string& kick) {
    const auto with = [&](const std::string& from, const std::string& to) {
        std::string text = valid;
        const auto at = text.find(from);
        return at == std::string::npos ? std::string("not found: ") + from
                                       : text.replace(at, from.size(), to);
    };
    std::vector<std::pair<std::string, std::string>> cases = {
        {"not a bank", R"({"hello": 1})"},
        {"an array", "[1, 2, 3]"},
        {"a number", "42"},
        {"only blanks", "   \n\t  "},
        {"two documents", valid + valid},
        {"trailing garbage", valid + "x"},
        {"wrong format", with("\"quovent-bank\"", "\"quovent-bonk\"")},
        {"version 0", with("\"version\": 1", "\"version\": 0")},
        {"version 2", with("\"version\": 1", "\"version\": 2")},
        {"version -1", with("\"version\": 1", "\"version\": -1")},
        {"version as text", with("\"version\": 1", "\"version\": \"1\"")},
        {"version fraction", with("\"version\": 1", "\"version\": 1.5")},
        {"no version", with("\"version\": 1,", "")},
        {"volume above 1", with("\"volume\": 0.8", "\"volume\": 1.5")},
        {"volume below 0", with("\"volume\": 0.8", "\"volume\": -0.1")},
        {"volume huge", with("\"volume\": 0.8", "\"volume\": 1e999")},
        {"volume as text", with("\"volume\": 0.8", "\"volume\": \"0.8\"")},
        {"output pair 7", with("\"outputPair\": 2", "\"outputPair\": 7")},
        {"output pair 0", with("\"outputPair\": 2", "\"outputPair\": 0")},
        {"filter mode 4", with("\"filterMode\": 1", "\"filterMode\": 4")},
        {"filter mode 1.0", with("\"filterMode\": 1", "\"filterMode\": 1.0")},
        {"key 12", with("\"key\": 1", "\"key\": 12")},
        {"bank 2", with("\"bank\": 1", "\"bank\": 2")},
        {"bank -1", with("\"bank\": 1", "\"bank\": -1")},
        {"shuffle 2", with("\"shuffleAmount\": 0.3", "\"shuffleAmount\": 2")},
        {"step as number", with("\"stepOn\": [true", "\"stepOn\": [1")},
        {"flag as number", with("\"sync\": true", "\"sync\": 1")},
        {"short lane", with("\"stepOn\": [true, ", "\"stepOn\": [")},
        {"long lane", with("\"stepOn\": [true, ", "\"stepOn\": [true, true, ")},
        {"unknown key", with("\"volume\": 0.8", "\"volume\": 0.8, \"colour\": 3")},
        {"relative path", with(kick, "kit/kick.wav")},
        {"zero in a path", with("/kit/kick.wav", "/kit/ki\\u0000ck.wav")},
        {"path too long", with("/kit/kick.wav", "/" + std::string(600, 'k') + ".wav")},
        {"path not text", with("\"samplePath\": \"", "\"samplePath\": 7, \"x\": \"")},
        {"nine slots", with("\"slots\": [", "\"slots\": [{}, {}, {}, {}, {}, {}, {}, {},")},
        {"slot not an object", with("\"slots\": [", "\"slots\": [3, ")},
        {"stray byte", with("\"format\"", "\"for\xff"
                                          "mat\"")},
        {"bad escape", with("\"format\"", "\"for\\qmat\"")},
        {"nesting 17", std::string(17, '[') + std::string(17, ']')},
        {"nesting 1000", std::string(1000, '{')},
        {"nesting 100000", std::string(100000, '[')},
        {"unclosed string", "{\"format\": \"quovent-bank"},
        {"zero bytes", std::string(100, '\0')},
    };
    std::string patterns = "\"patterns\": [";
    for (int p = 0; p < 25; ++p) {
        patterns += p == 0 ? "{}" : ", {}";
    }
    cases.push_back({"25 patterns", with("\"patterns\": [", patterns + ", ")});
    return cases;
}

} // namespace quovent::test
