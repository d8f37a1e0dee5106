// A generated 1 MB HTML 3.2 page with about 350 tables (some nested, with spans and
// percentages), long lists, PRE blocks and forms, rendered to PNG by the whole program
// (`webling --screenshot`) and by headless Chromium in the same run, taking turns. Prints
// the medians of both, their ratio, and the peak memory of each.
// Chromium comes from bench/setup-peers; without it only webling is measured.
// Usage: bench_page_render_bench [runs]
#include "bench_support.h"

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

namespace {

struct Series {
    std::vector<double> Ms, OwnMiB, TreeRssMiB, TreePssMiB;
    int Processes = 0;

    void add(const bench::ChildRun& r) {
        Ms.push_back(r.Seconds * 1000);
        OwnMiB.push_back(static_cast<double>(r.MaxRssKiB) / 1024);
        TreeRssMiB.push_back(static_cast<double>(r.TreePeak.RssKiB) / 1024);
        TreePssMiB.push_back(static_cast<double>(r.TreePeak.PssKiB) / 1024);
        Processes = std::max(Processes, r.TreePeak.Processes);
    }
};

int countTables(const std::string& page) {
    int n = 0;
    for (size_t at = page.find("<TABLE"); at != std::string::npos; at = page.find("<TABLE", at + 1))
        ++n;
    return n;
}

} // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    const std::string dir =
        (std::filesystem::temp_directory_path() / "webling-bench-render").string() + "/";
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    const std::string page = bench::PageGenerator(15).Page(1000000, 270);
    const std::string file = dir + "tables.html";
    bench::WriteFile(file, page);
    std::printf("page: %zu bytes, %d tables; window 800x600; %d runs each, taking turns\n",
                page.size(), countTables(page), runs);

    const bool haveChromium = bench::HaveProgram("chromium");
    if (!haveChromium)
        std::printf(
            "chromium is not installed (bench/setup-peers installs it): measuring webling alone\n");

    Series ours, theirs;
    for (int r = 0; r < runs; ++r) {
        const bench::ChildRun w =
            bench::RunMeasured({bench::WeblingProgram(), "--screenshot=" + dir + "webling.png",
                                "--window-size=800,600", file},
                               true);
        if (!w.Ok) {
            std::fprintf(stderr, "webling failed\n");
            return 1;
        }
        ours.add(w);
        if (!haveChromium) continue;
        // A fresh profile each time, so that no run profits from the one before.
        const std::string profile = dir + "profile" + std::to_string(r);
        const bench::ChildRun c = bench::RunMeasured(
            {"chromium", "--headless", "--no-sandbox", "--disable-gpu", "--hide-scrollbars",
             "--no-first-run", "--user-data-dir=" + profile, "--screenshot=" + dir + "chromium.png",
             "--window-size=800,600", "file://" + file},
            true);
        std::filesystem::remove_all(profile);
        if (!c.Ok) {
            std::fprintf(stderr, "chromium failed\n");
            return 1;
        }
        theirs.add(c);
    }

    std::printf(
        "\nMemory: webling's own peak is ru_maxrss from wait4. Chromium runs as a tree of "
        "processes,\n"
        "and the kernel keeps no sum over a tree, so /proc is sampled every 5 ms while it runs "
        "and\n"
        "the largest sum seen is kept: the sum of VmRSS (each process counts the libraries it\n"
        "maps) and the sum of Pss (shared pages divided among their sharers). Webling's tree is\n"
        "sampled the same way. Figures are medians over the runs.\n\n");
    std::printf("%-9s %10s %12s %14s %14s %10s\n", "", "median ms", "own peak MiB", "tree RSS MiB",
                "tree PSS MiB", "processes");
    auto row = [](const char* name, const Series& s) {
        std::printf("%-9s %10.0f %12.1f %14.1f %14.1f %10d\n", name, bench::Median(s.Ms),
                    bench::Median(s.OwnMiB), bench::Median(s.TreeRssMiB),
                    bench::Median(s.TreePssMiB), s.Processes);
    };
    row("webling", ours);
    if (haveChromium) {
        row("chromium", theirs);
        std::printf("\ntime webling / chromium (ratio of medians): %.3f\n",
                    bench::Median(ours.Ms) / bench::Median(theirs.Ms));
        std::printf("peak memory webling own / chromium tree RSS: %.3f\n",
                    bench::Median(ours.OwnMiB) / bench::Median(theirs.TreeRssMiB));
        std::printf("peak memory webling / chromium, both as tree PSS: %.3f\n",
                    bench::Median(ours.TreePssMiB) / bench::Median(theirs.TreePssMiB));
    }
    std::filesystem::remove_all(dir);
    return 0;
}
