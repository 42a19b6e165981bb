#include "tools/render/RenderOptions.hpp"

#include <charconv>
#include <cmath>
#include <cstring>
#include <string_view>

namespace quovent::render {

namespace {

// The whole text must be the number: "12abc", "", " 5" and "nan" are refused.
bool parseInteger(std::string_view text, long long& out) {
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), out);
    return ec == std::errc() && end == text.data() + text.size() && !text.empty();
}

bool parseReal(std::string_view text, double& out) {
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), out);
    return ec == std::errc() && end == text.data() + text.size() && !text.empty() &&
           std::isfinite(out);
}

class Parser {
public:
    Parser(int argc, const char* const* argv, std::string& error)
        : argc_(argc), argv_(argv), error_(error) {}

    bool run(RenderOptions& o) {
        for (i_ = 1; i_ < argc_; ++i_) {
            const std::string_view arg = argv_[i_];
            if (!option(arg, o)) {
                return false;
            }
        }
        return o.help || complete(o);
    }

private:
    bool fail(const std::string& message) {
        error_ = message;
        return false;
    }

    bool value(std::string_view option, std::string_view& out) {
        if (i_ + 1 >= argc_) {
            return fail(std::string(option) + ": missing value");
        }
        out = argv_[++i_];
        return true;
    }

    bool integer(std::string_view option, long long lo, long long hi, int& out) {
        std::string_view text;
        if (!value(option, text)) {
            return false;
        }
        long long v = 0;
        if (!parseInteger(text, v) || v < lo || v > hi) {
            return fail(std::string(option) + ": expected an integer from " + std::to_string(lo) +
                        " to " + std::to_string(hi) + ", got '" + std::string(text) + "'");
        }
        out = static_cast<int>(v);
        return true;
    }

    // A number in (lo, hi] when lowOpen, else [lo, hi].
    bool real(std::string_view option, double lo, double hi, bool lowOpen, const char* range,
              double& out) {
        std::string_view text;
        if (!value(option, text)) {
            return false;
        }
        double v = 0.0;
        if (!parseReal(text, v) || v < lo || (lowOpen && v == lo) || v > hi) {
            return fail(std::string(option) + ": expected " + range + ", got '" +
                        std::string(text) + "'");
        }
        out = v;
        return true;
    }

    bool text(std::string_view option, std::string& out) {
        std::string_view v;
        if (!value(option, v)) {
            return false;
        }
        if (v.empty()) {
            return fail(std::string(option) + ": expected a file name");
        }
        out = std::string(v);
        return true;
    }

    bool once(std::string_view option, bool& seen) {
        if (seen) {
            return fail(std::string(option) + ": given twice");
        }
        seen = true;
        return true;
    }

    bool option(std::string_view arg, RenderOptions& o) {
        int n = 0;
        double x = 0.0;
        if (arg == "-h" || arg == "--help") {
            o.help = true;
            return true;
        }
        if (arg == "--bank") {
            return once(arg, seenBank_) && text(arg, o.bankFile);
        }
        if (arg == "--midi") {
            return once(arg, seenMidi_) && text(arg, o.midiFile);
        }
        if (arg == "--play") {
            const bool ok = once(arg, seenPlay_) && integer(arg, 0, 23, n);
            o.playPattern = n;
            return ok;
        }
        if (arg == "--seconds") {
            const bool ok =
                once(arg, seenSeconds_) && real(arg, 0.0, RenderOptions::kMaxSeconds, true,
                                                "a number of seconds above 0 and at most 3600", x);
            o.seconds = x;
            return ok;
        }
        if (arg == "--bars") {
            const bool ok = once(arg, seenBars_) && integer(arg, 1, RenderOptions::kMaxBars, n);
            o.bars = n;
            return ok;
        }
        if (arg == "--tempo") {
            o.tempoGiven = true;
            return once(arg, seenTempo_) &&
                   real(arg, RenderOptions::kMinTempo, RenderOptions::kMaxTempo, false,
                        "a tempo from 10 to 1000 BPM", o.tempo);
        }
        if (arg == "--rate") {
            return once(arg, seenRate_) &&
                   integer(arg, RenderOptions::kMinRate, RenderOptions::kMaxRate, o.sampleRate);
        }
        if (arg == "--block") {
            return once(arg, seenBlock_) &&
                   integer(arg, RenderOptions::kMinBlock, RenderOptions::kMaxBlock, o.blockSize);
        }
        if (arg == "--pair") {
            return once(arg, seenPair_) && integer(arg, 1, 6, o.pair);
        }
        if (arg == "--all-outputs") {
            o.allOutputs = true;
            return once(arg, seenAll_);
        }
        if (arg == "--bits") {
            std::string_view v;
            if (!once(arg, seenBits_) || !value(arg, v)) {
                return false;
            }
            if (v == "16") {
                o.format = SampleFormat::Pcm16;
            } else if (v == "24") {
                o.format = SampleFormat::Pcm24;
            } else if (v == "32f") {
                o.format = SampleFormat::Float32;
            } else {
                return fail("--bits: expected 16, 24 or 32f, got '" + std::string(v) + "'");
            }
            return true;
        }
        if (arg == "-o" || arg == "--output") {
            return once("-o", seenOutput_) && text(arg, o.outputFile);
        }
        if (arg == "--png") {
            return once(arg, seenPicture_) && text(arg, o.pictureFile);
        }
        return fail("unknown argument '" + std::string(arg) + "' (see --help)");
    }

    bool complete(const RenderOptions& o) {
        if (seenMidi_ && seenPlay_) {
            return fail("--midi and --play exclude each other");
        }
        if (seenSeconds_ && seenBars_) {
            return fail("--seconds and --bars exclude each other");
        }
        if (seenPair_ && seenAll_) {
            return fail("--pair and --all-outputs exclude each other");
        }
        if (o.outputFile.empty()) {
            return fail("-o: an output file is required");
        }
        return true;
    }

    int argc_;
    const char* const* argv_;
    std::string& error_;
    int i_ = 1;
    bool seenBank_ = false, seenMidi_ = false, seenPlay_ = false, seenSeconds_ = false,
         seenBars_ = false, seenTempo_ = false, seenRate_ = false, seenBlock_ = false,
         seenPair_ = false, seenAll_ = false, seenBits_ = false, seenOutput_ = false,
         seenPicture_ = false;
};

} // namespace

std::optional<RenderOptions> RenderOptions::parse(int argc, const char* const* argv,
                                                  std::string& error) {
    RenderOptions o;
    Parser parser(argc, argv, error);
    if (!parser.run(o)) {
        return std::nullopt;
    }
    return o;
}

const char* RenderOptions::usage() {
    return "usage: quovent-render [--bank FILE] [--midi FILE | --play P]\n"
           "                      [--seconds S | --bars N] [--tempo BPM] [--rate HZ]\n"
           "                      [--block N] [--pair 1..6 | --all-outputs]\n"
           "                      [--bits 16|24|32f] [--png PICTURE] -o OUT.wav\n"
           "\n"
           "Renders the instrument offline, driving it as a host does.\n"
           "  --bank FILE     groove bank to import (default: the bundled demo bank)\n"
           "  --midi FILE     Standard MIDI File to play, with its tempo map\n"
           "  --play P        hold pattern P (0..23) from the first frame, as the Play\n"
           "                  button does (default: the bank's current pattern)\n"
           "  --seconds S     length, above 0 and at most 3600 (default: 4 bars)\n"
           "  --bars N        length in 4/4 bars of 16 steps\n"
           "  --tempo BPM     host tempo, 10..1000 (default 120; a MIDI file's own tempo\n"
           "                  map takes precedence)\n"
           "  --rate HZ       sample rate, 8000..384000 (default 44100)\n"
           "  --block N       frames per process call, 1..65536 (default 512)\n"
           "  --pair N        write output pair N only (outputs 2N-1 and 2N)\n"
           "  --all-outputs   write all twelve outputs (default: stereo mix of all pairs)\n"
           "  --bits B        16, 24 or 32f (32-bit float) (default 24)\n"
           "  --png PICTURE   also draw the waveform of every output pair\n"
           "  -o OUT.wav      the WAV file to write (replaced only when rendering succeeds)\n";
}

} // namespace quovent::render
