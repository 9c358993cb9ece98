// The practical limit for the index benchmark: the same keys as the
// benchmark table, sorted and searched in memory with the standard library.
// Prints milliseconds of processor time for each step.
#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

namespace {

double now_ms()
{
    timespec t;
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

struct CharKey {
    std::array<char, 20> key;
    int record;
};

struct NumKey {
    double key;
    int record;
};

} // namespace

int main(int argc, char** argv)
{
    long n = argc > 1 ? std::atol(argv[1]) : 100000;
    std::vector<CharKey> names(static_cast<std::size_t>(n));
    std::vector<NumKey> amounts(static_cast<std::size_t>(n));
    for (long i = 1; i <= n; ++i) {
        std::string name = "Kunde " + std::to_string(i * 7919 % n);
        CharKey& c = names[static_cast<std::size_t>(i - 1)];
        c.key.fill(' ');
        std::memcpy(c.key.data(), name.data(), std::min<std::size_t>(name.size(), 20));
        c.record = static_cast<int>(i);
        amounts[static_cast<std::size_t>(i - 1)] = {static_cast<double>(i * 37 % 20000 - 10000), static_cast<int>(i)};
    }

    double t0 = now_ms();
    std::stable_sort(names.begin(), names.end(),
                     [](const CharKey& a, const CharKey& b) { return std::memcmp(a.key.data(), b.key.data(), 20) < 0; });
    double t1 = now_ms();
    std::stable_sort(amounts.begin(), amounts.end(), [](const NumKey& a, const NumKey& b) { return a.key < b.key; });
    double t2 = now_ms();

    long hits = 0;
    for (long i = 1; i <= n; ++i) {
        std::string text = "Kunde " + std::to_string(i * 7 % n);
        std::array<char, 20> key;
        key.fill(' ');
        std::memcpy(key.data(), text.data(), std::min<std::size_t>(text.size(), 20));
        auto it = std::lower_bound(names.begin(), names.end(), key, [](const CharKey& a, const std::array<char, 20>& k) {
            return std::memcmp(a.key.data(), k.data(), 20) < 0;
        });
        if (it != names.end() && std::memcmp(it->key.data(), key.data(), 20) == 0)
            ++hits;
    }
    double t3 = now_ms();
    long sum = 0;
    for (const CharKey& c : names)
        sum += c.record;
    double t4 = now_ms();

    std::printf("sort_name %.1f\nsort_amount %.1f\nseek %.1f\nscan %.1f\nhits %ld %ld\n", t1 - t0, t2 - t1, t3 - t2,
                t4 - t3, hits, sum);
    return hits == n ? 0 : 1;
}
