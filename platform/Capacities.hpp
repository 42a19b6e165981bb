// Every fixed capacity of the instrument in one place. The audio thread never allocates,
// so everything it touches is sized from these numbers when an instance is created.
#pragma once

#include <cstddef>

namespace quovent::capacity {

// Sequence model.
inline constexpr int kSlots = 16;       // slot objects in the bank (MIDI reaches slots 0..13)
inline constexpr int kRowSlots = 8;     // slots with a row in the editor and in every pattern
inline constexpr int kSteps = 16;       // steps per pattern row
inline constexpr int kLanes = 5;        // modulation lanes per step: Vol, Tune, Freq, Res, Pan
inline constexpr int kPatternKeys = 12; // pattern keys per bank
inline constexpr int kPatternBanks = 2; // banks "3" and "4"
inline constexpr int kPatterns = kPatternKeys * kPatternBanks;
inline constexpr int kVoices = 128;    // voice pool entries
inline constexpr int kMidiNotes = 128; // note ratio table entries

// Audio.
inline constexpr int kOutputs = 12; // six stereo pairs
inline constexpr int kOutputPairs = kOutputs / 2;
// Events one block takes (MIDI and parameter changes together); more are not looked at.
inline constexpr int kBlockEvents = 8192;
// Frames rendered in one piece: a longer block is rendered piece by piece, which sounds the
// same, so that outputs a host leaves out need scratch memory of this size only.
inline constexpr int kRenderFrames = 4096;

// Samples.
inline constexpr int kSampleFrames = 400000; // frames per sample channel
inline constexpr int kSampleGuardFrames = 1; // zero frame behind the last so interpolation is safe
inline constexpr int kDirectoryEntries = 1024;
inline constexpr int kRiffDepth = 8;                      // chunk stack entries (WAV uses two)
inline constexpr std::size_t kSampleStagingBytes = 65536; // file bytes decoded per read

// Text buffers, in bytes including the terminating zero.
inline constexpr std::size_t kPathText = 260;      // directory paths, display texts
inline constexpr std::size_t kListEntryText = 512; // file list entries, relocation paths
inline constexpr std::size_t kControlText = 256;   // text controls: 255 characters
inline constexpr std::size_t kMenuItemText = 256;  // pop-up menu items: 255 characters
inline constexpr int kMenuItems = 1024;
inline constexpr std::size_t kFileSelectorPath = 1024;

// Groove bank files. A full bank as written is about 150 KB; the limits refuse absurd input
// before it is parsed (the nesting limit keeps the parser's work shallow).
inline constexpr std::size_t kBankFileBytes = std::size_t{4} * 1024 * 1024;
inline constexpr int kBankNesting = 16;
inline constexpr std::size_t kBankReadPiece = 65536;               // file bytes read at a time
inline constexpr std::size_t kBankSamplePath = kListEntryText - 1; // bytes, without the zero

} // namespace quovent::capacity

// Widget toolkit and its windows.
namespace quovent::capacity {

inline constexpr int kFonts = 8;                   // font table entries, ids 0..7
inline constexpr int kMenuColumnRuleItems = 160;   // column breaks apply below this many items
inline constexpr std::size_t kDropPathText = 1024; // one dropped path, including the zero
inline constexpr std::size_t kDropBytes = 1 << 20; // largest drop payload read from a source
inline constexpr std::size_t kMultipleSelectText = 102400; // all paths of a multiple load
inline constexpr int kDialogEntries = 10000; // entries listed by the built-in file dialog
inline constexpr int kImageSide = 16384;     // largest bitmap width or height accepted

} // namespace quovent::capacity
