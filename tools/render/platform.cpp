#include "platform.h"

#include <atomic>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <vector>

#ifdef _WIN32
#include <io.h>
#include <process.h>
#include <windows.h>
#else
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace trs::render::platform {

namespace {

// A slot is free, being filled, armed (the handler removes its file) or
// being removed by the handler. Only the thread that armed a slot clears it,
// and a slot the handler took is never reused, so the handler never reads a
// path while it is rewritten.
enum SlotState : int { kFree, kFilling, kArmed, kRemoving };
static_assert(std::atomic<int>::is_always_lock_free, "the signal handler needs lock-free atomics");
char pendingPaths[kMaxPendingFiles][4096];
std::atomic<int> slotStates[kMaxPendingFiles];
std::atomic<bool> handlersInstalled{false};
constexpr size_t kSignalStackSize = 64 * 1024;

// Signals after which the process ends and a half-written file would stay.
#ifdef _WIN32
const int kEndingSignals[] = {SIGINT, SIGTERM, SIGBREAK, SIGSEGV, SIGFPE, SIGABRT, SIGILL};
const int kCrashSignals[] = {SIGSEGV, SIGFPE, SIGABRT, SIGILL};
#else
const int kEndingSignals[] = {SIGHUP,  SIGINT,  SIGQUIT,   SIGTERM, SIGPIPE, SIGALRM,  SIGUSR1, SIGUSR2,
                              SIGXCPU, SIGXFSZ, SIGVTALRM, SIGPROF, SIGSYS,  SIGTRAP,  SIGSEGV, SIGBUS,
                              SIGFPE,  SIGABRT, SIGILL,    SIGIO,   SIGPWR,  SIGSTKFLT};
const int kCrashSignals[] = {SIGSEGV, SIGBUS, SIGFPE, SIGABRT, SIGILL, SIGSYS, SIGTRAP};
#endif

bool isCrash(int sig) {
    for (int s : kCrashSignals)
        if (s == sig)
            return true;
    return false;
}

// True if it removed anything.
bool removePending() {
    bool any = false;
    for (int i = 0; i < kMaxPendingFiles; ++i) {
        int armed = kArmed;
        if (!slotStates[i].compare_exchange_strong(armed, kRemoving))
            continue;
        any = true;
#ifdef _WIN32
        std::remove(pendingPaths[i]);
#else
        unlink(pendingPaths[i]);
#endif
    }
    return any;
}

void say(const char* text) {
#ifdef _WIN32
    _write(2, text, static_cast<unsigned>(std::strlen(text)));
#else
    ssize_t ignored = write(STDERR_FILENO, text, std::strlen(text));
    (void)ignored;
#endif
}

const char* signalName(int sig) {
    switch (sig) {
        case SIGSEGV:
            return "SIGSEGV";
        case SIGFPE:
            return "SIGFPE";
        case SIGABRT:
            return "SIGABRT";
        case SIGILL:
            return "SIGILL";
#ifndef _WIN32
        case SIGBUS:
            return "SIGBUS";
        case SIGSYS:
            return "SIGSYS";
        case SIGTRAP:
            return "SIGTRAP";
#endif
        default:
            return "a signal";
    }
}

// Only async-signal-safe calls: unlink, write, then the default action of
// the signal so the exit status still tells what happened.
extern "C" void onSignal(int sig) {
    const bool hadFile = removePending();
    if (isCrash(sig)) {
        say("tresselin-render: error: crashed (");
        say(signalName(sig));
        say(hadFile ? ", most likely in the plug-in); no output written\n" : ", most likely in the plug-in)\n");
    }
    std::signal(sig, SIG_DFL);
#ifndef _WIN32
    sigset_t only;
    sigemptyset(&only);
    sigaddset(&only, sig);
    sigprocmask(SIG_UNBLOCK, &only, nullptr);
#endif
    std::raise(sig);
#ifndef _WIN32
    _exit(128 + sig);
#endif
}

extern "C" void onExit() {
    removePending();
}

void installHandlers() {
    if (handlersInstalled.exchange(true))
        return;
    // A plug-in that calls exit() in the middle of a render.
    std::atexit(onExit);
#ifdef _WIN32
    for (int sig : kEndingSignals)
        std::signal(sig, onSignal);
#else
    // Its own stack, so a plug-in that overflows its stack still gets the
    // file removed.
    static char altStack[kSignalStackSize];
    stack_t ss{};
    ss.ss_sp = altStack;
    ss.ss_size = sizeof altStack;
    sigaltstack(&ss, nullptr);
    std::vector<int> signals(std::begin(kEndingSignals), std::end(kEndingSignals));
    // Real-time signals end the process too unless someone handles them.
    for (int sig = SIGRTMIN; sig <= SIGRTMAX; ++sig)
        signals.push_back(sig);
    for (int sig : signals) {
        struct sigaction current {};
        sigaction(sig, nullptr, &current);
        // A signal ignored by whoever started us stays ignored (nohup).
        if (current.sa_handler == SIG_IGN)
            continue;
        struct sigaction action {};
        action.sa_handler = onSignal;
        action.sa_flags = SA_ONSTACK;
        sigfillset(&action.sa_mask);
        sigaction(sig, &action, nullptr);
    }
#endif
}

}  // namespace

bool stderrIsTerminal() {
#ifdef _WIN32
    return _isatty(_fileno(stderr)) != 0;
#else
    return isatty(STDERR_FILENO) != 0;
#endif
}

std::string executablePath() {
#ifdef _WIN32
    char buffer[MAX_PATH * 4];
    const DWORD n = GetModuleFileNameA(nullptr, buffer, sizeof buffer);
    if (n == 0 || n >= sizeof buffer)
        return {};
    return std::string(buffer, n);
#else
    char buffer[4096];
    const ssize_t n = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    if (n <= 0)
        return {};
    return std::string(buffer, static_cast<size_t>(n));
#endif
}

unsigned long processId() {
#ifdef _WIN32
    return static_cast<unsigned long>(_getpid());
#else
    return static_cast<unsigned long>(getpid());
#endif
}

void reportCrashes() {
    installHandlers();
}

int removeOnInterrupt(const std::string& path) {
    if (path.size() >= sizeof pendingPaths[0])
        return -1;
    installHandlers();
    for (int i = 0; i < kMaxPendingFiles; ++i) {
        int free = kFree;
        if (!slotStates[i].compare_exchange_strong(free, kFilling))
            continue;
        std::memcpy(pendingPaths[i], path.c_str(), path.size() + 1);
        slotStates[i].store(kArmed);
        return i;
    }
    return -1;
}

void clearRemoveOnInterrupt(int handle) {
    if (handle < 0 || handle >= kMaxPendingFiles)
        return;
    int armed = kArmed;
    slotStates[handle].compare_exchange_strong(armed, kFree);
}

ThreadSignalStack::ThreadSignalStack() {
#ifndef _WIN32
    stack = new char[kSignalStackSize];
    stack_t ss{};
    ss.ss_sp = stack;
    ss.ss_size = kSignalStackSize;
    if (sigaltstack(&ss, nullptr) != 0) {
        delete[] stack;
        stack = nullptr;
    }
#endif
}

ThreadSignalStack::~ThreadSignalStack() {
#ifndef _WIN32
    if (!stack)
        return;
    stack_t ss{};
    ss.ss_flags = SS_DISABLE;
    sigaltstack(&ss, nullptr);
    delete[] stack;
#endif
}

bool fileMode(const std::string& path, unsigned& mode) {
#ifdef _WIN32
    (void)path;
    (void)mode;
    return false;
#else
    struct stat st {};
    if (stat(path.c_str(), &st) != 0)
        return false;
    mode = st.st_mode & 07777;
    return true;
#endif
}

void copyOwnerAndMode(const std::string& from, const std::string& to, unsigned mode) {
#ifdef _WIN32
    (void)from;
    (void)to;
    (void)mode;
#else
    struct stat st {};
    if (stat(from.c_str(), &st) == 0 && (st.st_uid != geteuid() || st.st_gid != getegid())) {
        // Only root may give a file away; for others the group may still take.
        if (chown(to.c_str(), st.st_uid, st.st_gid) != 0 && chown(to.c_str(), static_cast<uid_t>(-1), st.st_gid) != 0) {
        }
    }
    // After chown, which clears set-id bits.
    chmod(to.c_str(), static_cast<mode_t>(mode));
#endif
}

}  // namespace trs::render::platform
