#include "fuzz_run.h"

#include <signal.h>
#include <sys/random.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cinttypes>
#include <cmath>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <mutex>
#include <stdexcept>
#include <thread>

namespace fuzz {

namespace {

const char* g_name = "";
std::uint64_t g_seed = 0;
std::atomic<std::uint64_t> g_iteration{0};
std::atomic<bool> g_finished{false};  // a report after the last iteration comes from the exit checks
std::mutex g_noteMutex;
char g_note[512] = "";

void Report(const char* what) {
    if (g_finished) {
        const char text[] = "\nthe fuzzer's iterations all passed; the report above comes from the checks at exit\n";
        (void)!::write(STDERR_FILENO, text, sizeof text - 1);
        return;
    }
    char line[768];
    const int n = std::snprintf(line, sizeof line, "\n%s: %s in iteration %" PRIu64 " of seed %" PRIu64 " (%s)\n"
                                "reproduce with: %s --seed %" PRIu64 " --iterations %" PRIu64 "\n",
                                g_name, what, g_iteration.load(), g_seed, g_note, g_name, g_seed,
                                g_iteration.load() + 1);
    if (n > 0) (void)!::write(STDERR_FILENO, line, static_cast<std::size_t>(std::min<int>(n, sizeof line - 1)));
}

void OnFatalSignal(int sig) {
    Report(strsignal(sig));
    ::signal(sig, SIG_DFL);
    ::raise(sig);
}

extern "C" void OnSanitizerDeath() { Report("a sanitizer report"); }

std::uint64_t FreshSeed() {
    std::uint64_t s = 0;
    if (::getrandom(&s, sizeof s, 0) != static_cast<ssize_t>(sizeof s))
        s = static_cast<std::uint64_t>(std::chrono::system_clock::now().time_since_epoch().count());
    return s % 1000000000000ULL;
}

}  // namespace

}  // namespace fuzz

extern "C" void __sanitizer_set_death_callback(void (*callback)(void)) __attribute__((weak));

namespace fuzz {

RunOptions ParseOptions(int argc, char** argv) {
    RunOptions o;
    bool seeded = false;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        auto value = [&]() -> std::string {
            if (i + 1 >= argc) throw std::invalid_argument(a + " needs a value");
            return argv[++i];
        };
        if (a == "--seconds") o.seconds = std::stod(value());
        else if (a == "--iterations") o.iterations = std::stoull(value());
        else if (a == "--seed") o.seed = std::stoull(value()), seeded = true;
        else if (a == "--hang-seconds") o.hangSeconds = std::stod(value());
        else o.rest.push_back(a);
    }
    if (!seeded) o.seed = FreshSeed();
    return o;
}

void Note(std::string text) {
    std::lock_guard lock(g_noteMutex);
    std::snprintf(g_note, sizeof g_note, "%s", text.c_str());
}

std::uint64_t Run(const char* name, const RunOptions& options, const std::function<void(std::mt19937_64&)>& one) {
    g_name = name;
    g_seed = options.seed;
    std::printf("%s: seed %" PRIu64 "\n", name, options.seed);
    std::fflush(stdout);
    for (int sig : {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT}) ::signal(sig, OnFatalSignal);
    if (__sanitizer_set_death_callback) __sanitizer_set_death_callback(OnSanitizerDeath);

    // A watchdog reports an iteration that runs too long, and ends the run.
    std::mutex m;
    std::condition_variable cv;
    bool done = false;
    std::thread watchdog([&] {
        std::unique_lock lock(m);
        std::uint64_t seen = g_iteration.load();
        while (!done) {
            if (cv.wait_for(lock, std::chrono::duration<double>(options.hangSeconds), [&] { return done; })) break;
            const std::uint64_t now = g_iteration.load();
            if (now == seen) {
                Report("a hang");
                std::_Exit(3);
            }
            seen = now;
        }
    });

    const auto start = std::chrono::steady_clock::now();
    std::uint64_t i = 0;
    for (;; ++i) {
        if (options.iterations ? i >= options.iterations
                               : std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count() >=
                                     options.seconds)
            break;
        g_iteration.store(i);
        std::seed_seq seq{static_cast<std::uint32_t>(options.seed), static_cast<std::uint32_t>(options.seed >> 32),
                          static_cast<std::uint32_t>(i), static_cast<std::uint32_t>(i >> 32)};
        std::mt19937_64 rng(seq);
        one(rng);
    }
    {
        std::lock_guard lock(m);
        done = true;
    }
    cv.notify_all();
    watchdog.join();
    g_finished = true;
    std::printf("%s: %" PRIu64 " iterations, no failure\n", name, i);
    return i;
}

bool Chance(std::mt19937_64& rng, double p) { return std::uniform_real_distribution<double>(0, 1)(rng) < p; }

const std::vector<std::int32_t>& Ints() {
    static const std::vector<std::int32_t> v{std::numeric_limits<std::int32_t>::min(), -65536, -2, -1, 0, 0, 1, 1,
                                             2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 16, 17, 20, 24, 25, 30,
                                             31, 32, 64, 100, 255, 511, 512, 1000, 4096, 65536,
                                             std::numeric_limits<std::int32_t>::max()};
    return v;
}

const std::vector<double>& Doubles() {
    static const std::vector<double> v{0.0, -0.0, 1.0, -1.0, 0.5, 2.0, 3.0, 10.0, 0.25, 0.999, 1e-300, 1e-9,
                                       1e3, 1e5, 1e6, 1e300, -1e300, 4.9e-324, 2.2250738585072014e-308,
                                       std::numeric_limits<double>::max(), std::numeric_limits<double>::infinity(),
                                       -std::numeric_limits<double>::infinity(),
                                       std::numeric_limits<double>::quiet_NaN(), 2147483648.0, -2147483649.0,
                                       65536.0, 1e15, 7.5};
    return v;
}

void Mutate(std::vector<unsigned char>& bytes, std::mt19937_64& rng, const std::vector<std::size_t>& fields) {
    auto offset = [&](std::size_t width) -> std::size_t {
        if (bytes.size() < width) return 0;
        if (!fields.empty() && Chance(rng, 0.6)) {
            const std::size_t f = Pick(rng, fields);
            if (f + width <= bytes.size()) return f;
        }
        return std::uniform_int_distribution<std::size_t>(0, (bytes.size() - width) / width)(rng) * width;
    };
    const int steps = std::uniform_int_distribution<int>(1, 4)(rng);
    for (int s = 0; s < steps; ++s) {
        switch (std::uniform_int_distribution<int>(0, 6)(rng)) {
            case 0:
                if (!bytes.empty()) bytes[offset(1)] ^= static_cast<unsigned char>(1u << (rng() % 8));
                break;
            case 1:
                if (bytes.size() >= 4) {
                    const std::int32_t v = Pick(rng, Ints());
                    std::memcpy(bytes.data() + offset(4), &v, 4);
                }
                break;
            case 2:
                if (bytes.size() >= 8) {
                    const double v = Pick(rng, Doubles());
                    std::memcpy(bytes.data() + offset(8), &v, 8);
                }
                break;
            case 3:  // cut
                bytes.resize(std::uniform_int_distribution<std::size_t>(0, bytes.size())(rng));
                break;
            case 4:  // extend
                bytes.resize(bytes.size() + std::uniform_int_distribution<std::size_t>(1, 4096)(rng),
                             static_cast<unsigned char>(Chance(rng, 0.5) ? 0 : rng()));
                break;
            case 5:  // a run of one byte value, such as a text field without its terminator
                if (!bytes.empty()) {
                    const std::size_t at = offset(1);
                    const std::size_t n = std::min<std::size_t>(bytes.size() - at, rng() % 300);
                    std::memset(bytes.data() + at, Chance(rng, 0.5) ? 0x41 : static_cast<int>(rng() & 0xFF), n);
                }
                break;
            case 6:  // a chunk copied from elsewhere
                if (bytes.size() >= 16) {
                    const std::size_t from = offset(8), to = offset(8);
                    const std::size_t n = std::min({bytes.size() - from, bytes.size() - to, std::size_t{512}});
                    std::memmove(bytes.data() + to, bytes.data() + from, n);
                }
                break;
        }
    }
}

}  // namespace fuzz
