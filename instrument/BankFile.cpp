#include "instrument/BankFile.hpp"

#include "instrument/GrooveApplier.hpp"
#include "instrument/GrooveReader.hpp"
#include "instrument/GrooveWriter.hpp"
#include "instrument/Instrument.hpp"
#include "platform/AtomicFile.hpp"
#include "platform/NativePath.hpp"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <memory>

namespace quovent {

namespace {

namespace fs = std::filesystem;
using platform::NativePath;

fs::path directoryOf(const fs::path& file) {
    std::error_code ec;
    fs::path full = fs::absolute(file, ec);
    if (ec) {
        full = file;
    }
    return full.lexically_normal().parent_path();
}

bool readWhole(const fs::path& file, std::string& text, std::string& error) {
    std::error_code ec;
    const fs::file_status status = fs::status(file, ec);
    if (fs::is_directory(status)) {
        error = NativePath::toUtf8(file) + ": is a directory";
        return false;
    }
    if (fs::exists(status) && !fs::is_regular_file(status)) {
        // Opening a FIFO would wait for a writer that may never come.
        error = NativePath::toUtf8(file) + ": not a regular file";
        return false;
    }
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        error = NativePath::toUtf8(file) + ": " + std::strerror(errno);
        return false;
    }
    // Read piece by piece, so a small file costs what it holds; one byte past the limit is
    // enough to know the file is too large.
    text.clear();
    std::string piece(capacity::kBankReadPiece, '\0');
    while (text.size() <= capacity::kBankFileBytes) {
        const std::size_t wanted =
            std::min(piece.size(), capacity::kBankFileBytes + 1 - text.size());
        in.read(piece.data(), static_cast<std::streamsize>(wanted));
        if (in.bad()) {
            error = NativePath::toUtf8(file) + ": read error";
            return false;
        }
        text.append(piece, 0, static_cast<std::size_t>(in.gcount()));
        if (!in) {
            break; // the end of the file
        }
    }
    return true;
}

BankImportResult readAndApply(Instrument& instrument, std::string_view text,
                              const fs::path& baseDirectory,
                              const StatePaths* statePaths = nullptr) {
    BankImportResult result;
    auto document = std::make_unique<GrooveDocument>();
    result.error = GrooveReader::read(text, baseDirectory, *document, statePaths);
    if (!result.error.empty()) {
        return result;
    }
    GrooveApplier::apply(instrument, *document, result.missingSamples);
    result.ok = true;
    return result;
}

BankExportResult writeText(const Instrument& instrument, const fs::path& base,
                           GrooveWriter::Paths paths, std::string& text,
                           const StatePaths* statePaths = nullptr) {
    std::string error = GrooveWriter::write(instrument.sequencer(), instrument.stepEditMode, base,
                                            paths, text, statePaths);
    return {error.empty(), std::move(error)};
}

} // namespace

std::string BankFile::check(std::string_view text, const fs::path& baseDirectory) {
    auto document = std::make_unique<GrooveDocument>();
    return GrooveReader::read(text, baseDirectory, *document);
}

BankImportResult BankFile::importBank(Instrument& instrument, const fs::path& file) {
    BankImportResult result;
    std::string text;
    if (!readWhole(file, text, result.error)) {
        return result;
    }
    return readAndApply(instrument, text, directoryOf(file));
}

BankImportResult BankFile::restoreState(Instrument& instrument, std::string_view text,
                                        const StatePaths* statePaths) {
    return readAndApply(instrument, text, fs::path(), statePaths);
}

std::string BankFile::stateText(const Instrument& instrument, const StatePaths* statePaths) {
    std::string text;
    writeText(instrument, fs::path(), GrooveWriter::Paths::Replaced, text, statePaths);
    return text;
}

BankExportResult BankFile::toText(const Instrument& instrument, const fs::path& baseDirectory,
                                  std::string& text) {
    return writeText(instrument, baseDirectory.lexically_normal(), GrooveWriter::Paths::Checked,
                     text);
}

BankExportResult BankFile::exportBank(const Instrument& instrument, const fs::path& file) {
    std::string text;
    BankExportResult result = toText(instrument, directoryOf(file), text);
    if (!result.ok) {
        return result;
    }
    result.error = AtomicFile::write(file, text);
    result.ok = result.error.empty();
    return result;
}

} // namespace quovent
