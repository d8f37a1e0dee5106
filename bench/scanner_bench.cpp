// Scanner throughput: a large page made of the test pages, scanned symbol by symbol
// from memory and from a file, as the builder would read it. Prints the median of
// several runs in MB/s.
#include "bench_support.h"
#include "html/scanner.h"

#include <algorithm>
#include <ctime>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

std::string readFile(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Reads every symbol the way the builder does, raw modes included; returns the count.
long scanAll(html::TScanner& s) {
    long symbols = 0;
    for (s.NextSymbol(); s.Symbol() != html::symEof; s.NextSymbol()) {
        ++symbols;
        if (s.Symbol() == html::symTextarea) {
            do
                s.NextTextAreaSymbol();
            while (s.Symbol() != html::symTextareaEnd && s.Symbol() != html::symEof);
            s.SkipPastTagEnd();
        } else if (s.Symbol() == html::symScript) {
            s.NoComments = true;
            do
                s.NextScriptSymbol();
            while (s.Symbol() != html::symScriptEnd && s.Symbol() != html::symEof);
            s.NoComments = false;
        }
    }
    return symbols;
}

double cpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + t.tv_nsec / 1e9;
}

struct Rates {
    double Wall;
    double Cpu; // by the thread's CPU time: steadier on a machine busy with other work
};

template <class Run>
Rates medianMBps(size_t bytes, Run run) {
    std::vector<double> wall, cpu;
    for (int i = 0; i < 9; ++i) {
        const double t0 = bench::Now();
        double c0 = cpuSeconds();
        run();
        double c = cpuSeconds() - c0;
        wall.push_back(bytes / 1e6 / (bench::Now() - t0));
        cpu.push_back(bytes / 1e6 / c);
    }
    return {bench::Median(wall), bench::Median(cpu)};
}

} // namespace

int main() {
    std::string page;
    for (const auto& e :
         std::filesystem::directory_iterator(std::filesystem::path(TEST_DATA_DIR) / "html"))
        if (e.path().extension() == ".htm") page += readFile(e.path());
    if (page.empty()) {
        std::fprintf(stderr, "no pages in %s/html\n", TEST_DATA_DIR);
        return 1;
    }
    std::string big;
    while (big.size() < 8'000'000)
        big += page;

    html::TScanner s;
    long symbols = 0;
    Rates memory = medianMBps(big.size(), [&] {
        s.StartBuffer(big);
        symbols = scanAll(s);
    });

    auto file = std::filesystem::temp_directory_path() / "webling_scanner_bench.htm";
    std::ofstream(file, std::ios::binary) << big;
    Rates fromFile = medianMBps(big.size(), [&] {
        s.StartFile(file.string());
        scanAll(s);
        s.Close();
    });
    std::filesystem::remove(file);

    std::printf("scanner: %.1f MB page, %ld symbols\n", big.size() / 1e6, symbols);
    std::printf("scanner from memory: %.1f MB/s wall, %.1f MB/s of CPU time (medians of 9)\n",
                memory.Wall, memory.Cpu);
    std::printf("scanner from file:   %.1f MB/s wall, %.1f MB/s of CPU time (medians of 9)\n",
                fromFile.Wall, fromFile.Cpu);
    return 0;
}
