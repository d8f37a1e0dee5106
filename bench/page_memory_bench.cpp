// Peak memory and time of the whole program for pages of 100 KB, 1 MB and 10 MB of ordinary
// HTML 3.2 (and a page of a few bytes for the program's own floor), and for two pathological
// page shapes: each page is rendered with `webling --screenshot` several times; the medians
// show how cost grows with size.
// Usage: bench_page_memory_bench [runs]
#include "bench_support.h"

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    const std::string program = bench::WeblingProgram();
    const std::string dir =
        (std::filesystem::temp_directory_path() / "webling-bench-memory").string() + "/";
    std::filesystem::create_directories(dir);

    // Two shapes that once took quadratic time come after the sizes: 19 000 floating images
    // in one paragraph with blanks between them, and 40 000 lists one after another.
    std::string floats = "<HTML><BODY><P>", lists = "<HTML><BODY>";
    for (int i = 0; i < 19000; ++i)
        floats += "<IMG ALIGN=left WIDTH=8 HEIGHT=8> ";
    floats += "end</P></BODY></HTML>\n";
    for (int i = 0; i < 40000; ++i)
        lists += i % 4 == 0 ? "<UL><LI>item " + std::to_string(i) + "<UL><LI>inner</UL></UL>\n"
                            : "<UL><LI>item " + std::to_string(i) + "</UL>\n";
    lists += "</BODY></HTML>\n";

    struct Case {
        const char* Name;
        size_t Bytes;
        const std::string* Fixed; // a page of its own instead of a generated one
    };
    const std::string tiny = "<HTML><BODY><P>Hello.</P></BODY></HTML>\n";
    const Case cases[] = {{"tiny", 0, &tiny},         {"100 KB", 100000, nullptr},
                          {"1 MB", 1000000, nullptr}, {"10 MB", 10000000, nullptr},
                          {"floats", 0, &floats},     {"lists", 0, &lists}};
    std::printf("webling --screenshot, window 800x600, %d runs each; peak RSS is ru_maxrss of the "
                "process (wait4)\n",
                runs);
    std::printf("%-8s %12s %12s %14s %16s\n", "page", "bytes", "median ms", "peak RSS MiB",
                "MiB per MB page");
    double floorMiB = 0;
    for (const Case& c : cases) {
        const std::string page = c.Fixed ? *c.Fixed : bench::PageGenerator(7).Page(c.Bytes, 100);
        const std::string file = dir + "page.html";
        bench::WriteFile(file, page);
        std::vector<double> times, peaks;
        for (int r = 0; r < runs; ++r) {
            const bench::ChildRun run = bench::RunMeasured(
                {program, "--screenshot=" + dir + "page.png", "--window-size=800,600", file},
                false);
            if (!run.Ok) {
                std::fprintf(stderr, "webling failed on the %s page\n", c.Name);
                return 1;
            }
            times.push_back(run.Seconds * 1000);
            peaks.push_back(static_cast<double>(run.MaxRssKiB) / 1024);
        }
        const double peak = bench::Median(peaks);
        if (c.Fixed == &tiny) floorMiB = peak;
        const double perMB =
            c.Fixed == &tiny ? 0 : (peak - floorMiB) / (static_cast<double>(page.size()) / 1e6);
        std::printf("%-8s %12zu %12.0f %14.1f %16.1f\n", c.Name, page.size(), bench::Median(times),
                    peak, perMB);
    }
    std::filesystem::remove_all(dir);
    return 0;
}
