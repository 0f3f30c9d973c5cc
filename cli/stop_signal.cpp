#include "stop_signal.h"

#include <csignal>
#include <cstdlib>
#include <initializer_list>

#ifndef _WIN32
#include <unistd.h>
#endif

namespace tolvane::stop_signal {

namespace {

// The number of the first stop signal, 0 before one arrives. Written only by the handler.
volatile std::sig_atomic_t g_received = 0;

extern "C" void noteStopSignal(int number) {
    if (g_received == 0) {
        g_received = number;
    }
}

}  // namespace

void install() {
#ifdef _WIN32
    // The C runtime turns Ctrl-C and Ctrl-Break into SIGINT and SIGBREAK, each delivered on
    // a thread of its own; the handler only writes the flag.
    std::signal(SIGINT, noteStopSignal);
    std::signal(SIGBREAK, noteStopSignal);
    std::signal(SIGTERM, noteStopSignal);
#else
    struct sigaction action {};
    action.sa_handler = noteStopSignal;
    sigemptyset(&action.sa_mask);
    // Restarted calls: a write into a full pipe or a slow disk carries on after the
    // signal, and the run stops at its next look instead of failing the write.
    action.sa_flags = SA_RESTART;
    // SIGHUP too: a connection that drops (ssh) ends the run as SIGTERM does, with the
    // lines in the output buffer written, not lost.
    for (const int number : {SIGINT, SIGTERM, SIGHUP}) {
        // A signal ignored from the start stays ignored: a shell does that to Ctrl-C for a
        // job it started in the background.
        struct sigaction present {};
        if (sigaction(number, nullptr, &present) == 0 && present.sa_handler != SIG_IGN) {
            sigaction(number, &action, nullptr);
        }
    }
#endif
}

bool received() {
    return g_received != 0;
}

void endAsStopped() {
    const int number = g_received;
#ifndef _WIN32
    struct sigaction action {};
    action.sa_handler = SIG_DFL;
    sigemptyset(&action.sa_mask);
    sigaction(number, &action, nullptr);
    sigset_t only;
    sigemptyset(&only);
    sigaddset(&only, number);
    sigprocmask(SIG_UNBLOCK, &only, nullptr);
    std::raise(number);
    _exit(128 + number);  // not reached: the default action ends the process
#else
    std::exit(128 + number);
#endif
}

}  // namespace tolvane::stop_signal
