// A stand-in for the ALSA sequencer, preloaded (LD_PRELOAD) into a host under test on a machine
// without /dev/snd: Qtractor does not start its engine without a sequencer. It answers the
// snd_seq_* calls that take a sequencer handle for a sequencer with no other client: nothing
// ever arrives (the poll descriptor is a pipe no one writes), whatever is sent or subscribed
// concerns no one, and a queue has no status, so Qtractor times MIDI by its audio frames alone
// (a queue that kept wall-clock time played every note on the same frames). The calls on plain
// records (the *_info and *_sizeof ones) stay the system library's.
//
// Threads: the host's; nothing here is shared but the pipe, which is never written.
#include <poll.h>
#include <unistd.h>

#include <cerrno>

namespace {

constexpr int kClientId = 128; // the first id the kernel gives a user client

struct Sequencer {
    int quiet[2] = {-1, -1}; // a pipe: its reading end never becomes readable
    int nextPort = 0;
    int nextQueue = 0;
};

} // namespace

#define QUOVENT_STAND_IN extern "C" __attribute__((visibility("default"))) int
// A call that only answers `value`.
#define QUOVENT_ANSWERS(value, name, parameters)                                                   \
    QUOVENT_STAND_IN name parameters {                                                             \
        return value;                                                                              \
    }

QUOVENT_STAND_IN snd_seq_open(Sequencer** handle, const char*, int, int) {
    if (handle == nullptr) {
        return -EINVAL;
    }
    *handle = new Sequencer;
    return ::pipe((*handle)->quiet) == 0 ? 0 : -errno;
}

QUOVENT_STAND_IN snd_seq_close(Sequencer* seq) {
    if (seq != nullptr) {
        ::close(seq->quiet[0]);
        ::close(seq->quiet[1]);
        delete seq;
    }
    return 0;
}

QUOVENT_ANSWERS(kClientId, snd_seq_client_id, (Sequencer*))
QUOVENT_STAND_IN snd_seq_create_simple_port(Sequencer* seq, const char*, unsigned, unsigned) {
    return seq->nextPort++;
}
QUOVENT_STAND_IN snd_seq_alloc_queue(Sequencer* seq) {
    return seq->nextQueue++;
}

QUOVENT_ANSWERS(1, snd_seq_poll_descriptors_count, (Sequencer*, short))
QUOVENT_STAND_IN snd_seq_poll_descriptors(Sequencer* seq, pollfd* fds, unsigned space,
                                          short events) {
    if (fds == nullptr || space < 1) {
        return 0;
    }
    fds[0] = {seq->quiet[0], static_cast<short>(events & POLLIN), 0};
    return 1;
}
QUOVENT_STAND_IN snd_seq_event_input(Sequencer*, void** event) {
    if (event != nullptr) {
        *event = nullptr;
    }
    return -EAGAIN;
}

// Done, for no one.
QUOVENT_ANSWERS(0, snd_seq_set_client_name, (Sequencer*, const char*))
QUOVENT_ANSWERS(0, snd_seq_delete_simple_port, (Sequencer*, int))
QUOVENT_ANSWERS(0, snd_seq_free_queue, (Sequencer*, int))
QUOVENT_ANSWERS(0, snd_seq_control_queue, (Sequencer*, int, int, int, void*))
QUOVENT_ANSWERS(0, snd_seq_get_queue_tempo, (Sequencer*, int, void*))
QUOVENT_ANSWERS(0, snd_seq_set_queue_tempo, (Sequencer*, int, void*))
QUOVENT_ANSWERS(0, snd_seq_set_queue_timer, (Sequencer*, int, void*))
QUOVENT_ANSWERS(0, snd_seq_event_input_pending, (Sequencer*, int))
QUOVENT_ANSWERS(0, snd_seq_event_output, (Sequencer*, void*))
QUOVENT_ANSWERS(0, snd_seq_event_output_direct, (Sequencer*, void*))
QUOVENT_ANSWERS(0, snd_seq_drain_output, (Sequencer*))
QUOVENT_ANSWERS(0, snd_seq_drop_input, (Sequencer*))
QUOVENT_ANSWERS(0, snd_seq_drop_output, (Sequencer*))
QUOVENT_ANSWERS(0, snd_seq_remove_events, (Sequencer*, void*))
QUOVENT_ANSWERS(0, snd_seq_subscribe_port, (Sequencer*, void*))
QUOVENT_ANSWERS(0, snd_seq_unsubscribe_port, (Sequencer*, void*))
QUOVENT_ANSWERS(0, snd_seq_get_port_info, (Sequencer*, int, void*))
QUOVENT_ANSWERS(0, snd_seq_set_port_info, (Sequencer*, int, void*))

// Nothing to report: no queue status, no other client or port.
QUOVENT_ANSWERS(-EINVAL, snd_seq_get_queue_status, (Sequencer*, int, void*))
QUOVENT_ANSWERS(-ENOENT, snd_seq_get_any_client_info, (Sequencer*, int, void*))
QUOVENT_ANSWERS(-ENOENT, snd_seq_get_any_port_info, (Sequencer*, int, int, void*))
QUOVENT_ANSWERS(-ENOENT, snd_seq_query_next_client, (Sequencer*, void*))
QUOVENT_ANSWERS(-ENOENT, snd_seq_query_next_port, (Sequencer*, void*))
QUOVENT_ANSWERS(-ENOENT, snd_seq_query_port_subscribers, (Sequencer*, void*))
