#include "engine/NoteVoiceRenderer.hpp"

#include "engine/NoteLane.hpp"
#include "engine/NoteVoiceGroup.hpp"

namespace quovent {

namespace {

template <bool kFiltered> bool runSingle(NoteLane& prepared, int frameCount) noexcept {
    NoteLane n = prepared;
    const bool ended = n.frames<kFiltered>(n.start, frameCount);
    prepared = n;
    return ended;
}

bool runOne(NoteLane& n, int frameCount) noexcept {
    return n.filtered ? runSingle<true>(n, frameCount) : runSingle<false>(n, frameCount);
}

} // namespace

bool NoteVoiceRenderer::render(Voice& voice, const Slot& slot, const BlockContext& block) noexcept {
    NoteLane n;
    if (!n.prepare(voice, slot, block)) {
        return true;
    }
    const bool ended = runOne(n, block.frames);
    n.finish(voice);
    return ended;
}

void NoteVoiceRenderer::renderRun(Voice* const* voices, const Slot* const* slots, bool* ended,
                                  int count, const BlockContext& block) noexcept {
    NoteLane lanes[kMaxRun];
    bool plays[kMaxRun] = {};
    const int n = count < kMaxRun ? count : kMaxRun;
    for (int i = 0; i < n; ++i) {
        plays[i] = lanes[i].prepare(*voices[i], *slots[i], block);
        ended[i] = !plays[i];
    }
    // In pool order: runs of voices that can share a group, single voices between them. A
    // run too short for the widest kernel's lanes goes to the narrower one.
    const NoteVoiceGroup::Kernel kernel = NoteVoiceGroup::current();
    const int width = NoteVoiceGroup::lanes(kernel);
    const int narrow = NoteVoiceGroup::lanes(NoteVoiceGroup::Kernel::Sse2);
    for (int i = 0; i < n;) {
        int j = i;
        while (j < n && j - i < width && plays[j] && NoteVoiceGroup::accepts(lanes[j])) {
            ++j;
        }
        if (j - i >= 2) {
            const NoteVoiceGroup::Kernel k =
                j - i <= narrow && width > narrow ? NoteVoiceGroup::Kernel::Sse2 : kernel;
            NoteVoiceGroup::render(k, lanes + i, ended + i, j - i, block.frames);
            i = j;
            continue;
        }
        if (plays[i]) {
            ended[i] = runOne(lanes[i], block.frames);
        }
        ++i;
    }
    for (int i = 0; i < n; ++i) {
        if (plays[i]) {
            lanes[i].finish(*voices[i]);
        }
    }
}

} // namespace quovent
