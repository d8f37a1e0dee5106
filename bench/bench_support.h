// Helpers shared by the benchmarks: the clock and medians, child programs run and measured
// for time and peak memory, and generated HTML 3.2 pages of a chosen size.
#pragma once

#include <sys/resource.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace bench {

// Seconds on a monotonic clock.
inline double Now() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// The median of the values (the upper one of the middle two); 0 for none.
inline double Median(std::vector<double> v) {
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// Median milliseconds of Runs calls of Work.
template <class Work> double MedianMs(int runs, Work work) {
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        const double t0 = Now();
        work();
        times.push_back((Now() - t0) * 1000);
    }
    return Median(times);
}

inline void WriteFile(const std::string& name, const std::string& data) {
    std::ofstream out(name, std::ios::binary | std::ios::trunc);
    out << data;
}

// ---- Child programs ----

// The resident memory of a process tree, from /proc: the sum of VmRSS (every process counts
// the shared libraries it maps, as "top" shows them) and the sum of Pss (shared pages divided
// among the processes that share them, so nothing is counted twice).
struct TreeMemory {
    long RssKiB = 0;
    long PssKiB = 0;
    int Processes = 0;
};

inline long procField(const std::string& file, const char* key) {
    std::ifstream in(file);
    std::string line;
    const std::string k = key;
    while (std::getline(in, line))
        if (line.compare(0, k.size(), k) == 0) return std::atol(line.c_str() + k.size());
    return 0;
}

inline TreeMemory TreeMemoryOf(pid_t root) {
    std::map<pid_t, std::vector<pid_t>> children;
    if (DIR* d = opendir("/proc")) {
        while (dirent* e = readdir(d)) {
            const pid_t pid = static_cast<pid_t>(std::atoi(e->d_name));
            if (pid <= 0) continue;
            std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
            std::string stat;
            std::getline(in, stat);
            // The command name may hold blanks: the fields after it follow the last ')'.
            const size_t close = stat.rfind(')');
            if (close == std::string::npos) continue;
            std::istringstream rest(stat.substr(close + 1));
            std::string state;
            pid_t ppid = 0;
            rest >> state >> ppid;
            children[ppid].push_back(pid);
        }
        closedir(d);
    }
    TreeMemory m;
    std::vector<pid_t> todo{root};
    while (!todo.empty()) {
        const pid_t pid = todo.back();
        todo.pop_back();
        const std::string dir = "/proc/" + std::to_string(pid);
        m.RssKiB += procField(dir + "/status", "VmRSS:");
        m.PssKiB += procField(dir + "/smaps_rollup", "Pss:");
        ++m.Processes;
        for (pid_t c : children[pid])
            todo.push_back(c);
    }
    return m;
}

struct ChildRun {
    bool Ok = false;     // ran and exited with status 0
    double Seconds = 0;  // wall time from start to exit
    long MaxRssKiB = 0;  // ru_maxrss of the child itself, from wait4 (exact, one process)
    TreeMemory TreePeak; // the largest sums seen while sampling the tree (0 if not sampled)
    int Samples = 0;
};

// Runs Argv with output discarded and waits for it. With SampleTree the process tree's
// memory is sampled every few milliseconds, and the peak of the sums is kept: a sampled
// figure can miss a short peak, but it is the only way to add up a tree of processes
// (the kernel's ru_maxrss of children is the largest single process, not a sum).
inline ChildRun RunMeasured(const std::vector<std::string>& argv, bool sampleTree,
                            double timeoutSeconds = 600) {
    ChildRun r;
    std::vector<char*> args;
    for (const auto& a : argv)
        args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    const double t0 = Now();
    const pid_t pid = fork();
    if (pid < 0) return r;
    if (pid == 0) {
        const int null = open("/dev/null", O_RDWR);
        dup2(null, 1);
        dup2(null, 2);
        setpgid(0, 0);
        execvp(args[0], args.data());
        _exit(127);
    }
    int status = 0;
    rusage ru{};
    for (;;) {
        const pid_t done = wait4(pid, &status, WNOHANG, &ru);
        if (done == pid) break;
        if (done < 0) return r;
        if (Now() - t0 > timeoutSeconds) {
            kill(-pid, SIGKILL);
            wait4(pid, &status, 0, &ru);
            return r;
        }
        if (sampleTree) {
            const TreeMemory m = TreeMemoryOf(pid);
            r.TreePeak.RssKiB = std::max(r.TreePeak.RssKiB, m.RssKiB);
            r.TreePeak.PssKiB = std::max(r.TreePeak.PssKiB, m.PssKiB);
            r.TreePeak.Processes = std::max(r.TreePeak.Processes, m.Processes);
            ++r.Samples;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(sampleTree ? 5 : 1));
    }
    r.Seconds = Now() - t0;
    r.MaxRssKiB = ru.ru_maxrss;
    r.Ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    // Helpers a program left behind in its group would blur the next run.
    kill(-pid, SIGKILL);
    return r;
}

inline bool HaveProgram(const std::string& name) {
    const std::string cmd = "command -v " + name + " >/dev/null 2>&1";
    return std::system(cmd.c_str()) == 0;
}

// ---- Generated pages ----

// A deterministic generator of ordinary HTML 3.2 as the 1990s and plain documentation
// wrote it: headings, paragraphs with bold, italic, links and FONT, lists (some nested,
// some long), definition lists, PRE blocks, rules, forms, and tables with borders,
// percentages, spans, backgrounds, captions and the odd nested table.
class PageGenerator {
public:
    explicit PageGenerator(unsigned seed) : State(seed * 2654435761u + 1) {}

    // A page of about Bytes bytes with about TablesPerMB tables per 1 000 000 bytes.
    std::string Page(size_t bytes, int tablesPerMB) {
        std::string p =
            "<HTML><HEAD><TITLE>Generated page</TITLE></HEAD>\n<BODY BGCOLOR=\"#FFFFFF\">\n";
        const size_t tableEvery =
            tablesPerMB > 0 ? 1000000 / static_cast<size_t>(tablesPerMB) : bytes + 1;
        size_t nextTable = tableEvery / 2;
        while (p.size() < bytes) {
            if (p.size() >= nextTable) {
                table(p, pick(6) == 0);
                nextTable += tableEvery;
                continue;
            }
            switch (pick(20)) {
            case 0:
                heading(p);
                break;
            case 1:
            case 2:
                list(p, 0);
                break;
            case 3:
                definitions(p);
                break;
            case 4:
                pre(p);
                break;
            case 5:
                form(p);
                break;
            case 6:
                p += "<HR>\n";
                break;
            case 7:
                p += "<CENTER>" + sentence() + "</CENTER>\n";
                break;
            default:
                paragraph(p);
                break;
            }
        }
        p += "</BODY></HTML>\n";
        return p;
    }

private:
    unsigned State;
    int Counter = 0;

    int pick(int n) {
        State = State * 1103515245u + 12345u;
        return static_cast<int>((State >> 8) % static_cast<unsigned>(n));
    }

    std::string word() {
        static const char* const words[] = {
            "the",     "browser", "page",    "network", "server", "document", "table", "image",
            "link",    "address", "socket",  "request", "reply",  "header",   "body",  "font",
            "layout",  "window",  "cache",   "proxy",   "list",   "form",     "field", "button",
            "section", "library", "version", "library", "parser", "symbol",   "width", "height",
            "column",  "row",     "cell",    "border"};
        return words[pick(static_cast<int>(sizeof words / sizeof *words))];
    }

    std::string sentence() {
        std::string s = word();
        s[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(s[0])));
        const int n = 6 + pick(14);
        for (int i = 0; i < n; ++i) {
            s += ' ';
            switch (pick(14)) {
            case 0:
                s += "<B>" + word() + "</B>";
                break;
            case 1:
                s += "<I>" + word() + "</I>";
                break;
            case 2:
                s += "<A HREF=\"doc" + std::to_string(pick(500)) + ".html\">" + word() + " " +
                     word() + "</A>";
                break;
            case 3:
                s += "<TT>" + word() + "()</TT>";
                break;
            case 4:
                s += "<FONT SIZE=" + std::to_string(2 + pick(3)) + " COLOR=\"#" +
                     (pick(2) ? "800000" : "008000") + "\">" + word() + "</FONT>";
                break;
            default:
                s += word();
                break;
            }
        }
        return s + ".";
    }

    void heading(std::string& p) {
        const std::string n = std::to_string(1 + pick(3));
        p += "<H" + n + "><A NAME=\"s" + std::to_string(++Counter) + "\">" + sentence() +
             "</A></H" + n + ">\n";
    }

    void paragraph(std::string& p) {
        p += "<P>";
        const int n = 1 + pick(4);
        for (int i = 0; i < n; ++i)
            p += sentence() + (pick(8) == 0 ? "<BR>\n" : " ");
        p += "</P>\n";
    }

    void list(std::string& p, int depth) {
        const bool ordered = pick(3) == 0;
        p += ordered ? "<OL>\n" : "<UL>\n";
        // Now and then a long one, as in an index page.
        const int n = pick(10) == 0 ? 40 + pick(60) : 2 + pick(6);
        for (int i = 0; i < n; ++i) {
            p += "<LI>" + sentence() + "\n";
            if (depth < 2 && pick(8) == 0) list(p, depth + 1);
        }
        p += ordered ? "</OL>\n" : "</UL>\n";
    }

    void definitions(std::string& p) {
        p += "<DL>\n";
        for (int i = 0, n = 2 + pick(5); i < n; ++i)
            p += "<DT><B>" + word() + "</B>\n<DD>" + sentence() + "\n";
        p += "</DL>\n";
    }

    void pre(std::string& p) {
        p += "<PRE>\n";
        for (int i = 0, n = 3 + pick(12); i < n; ++i)
            p += "    " + word() + "_" + word() + "(" + std::to_string(pick(1000)) + ", &amp;" +
                 word() + ");\n";
        p += "</PRE>\n";
    }

    void form(std::string& p) {
        p += "<FORM ACTION=\"/cgi-bin/search\" METHOD=GET>\n" + sentence() + "<BR>\n";
        p += "<INPUT TYPE=text NAME=q SIZE=30 VALUE=\"" + word() + "\">\n";
        p += "<SELECT NAME=where><OPTION>" + word() + "<OPTION SELECTED>" + word() + "<OPTION>" +
             word() + "</SELECT>\n";
        p += "<INPUT TYPE=checkbox NAME=exact> exact <INPUT TYPE=radio NAME=r VALUE=1 CHECKED> one "
             "<INPUT TYPE=radio NAME=r VALUE=2> two\n";
        if (pick(3) == 0)
            p += "<BR><TEXTAREA NAME=notes ROWS=3 COLS=40>" + word() + "</TEXTAREA>\n";
        p += "<INPUT TYPE=submit VALUE=\"Search\"></FORM>\n";
    }

    void cell(std::string& p, bool header, bool allowNested) {
        p += header ? "<TH" : "<TD";
        if (pick(7) == 0) p += " BGCOLOR=\"#E0E0FF\"";
        if (pick(5) == 0) p += " ALIGN=right";
        if (pick(6) == 0) p += " VALIGN=top";
        p += ">";
        if (allowNested && pick(12) == 0)
            table(p, false);
        else if (header)
            p += word() + " " + word();
        else
            p += pick(3) == 0 ? sentence() : word() + " " + std::to_string(pick(100000));
        p += header ? "</TH>" : "</TD>";
    }

    void table(std::string& p, bool nestedCells) {
        const int cols = 2 + pick(5), rows = 2 + pick(9);
        p += "<TABLE BORDER=" + std::to_string(pick(3)) +
             " CELLPADDING=" + std::to_string(pick(5)) + " CELLSPACING=" + std::to_string(pick(3));
        if (pick(2)) p += " WIDTH=\"" + std::to_string(50 + 10 * pick(6)) + "%\"";
        if (pick(8) == 0) p += pick(2) ? " ALIGN=left" : " ALIGN=right";
        p += ">\n";
        if (pick(3) == 0) p += "<CAPTION>" + sentence() + "</CAPTION>\n";
        p += "<TR>";
        for (int c = 0; c < cols; ++c)
            cell(p, true, false);
        p += "</TR>\n";
        for (int r = 0; r < rows; ++r) {
            p += pick(6) == 0 ? "<TR BGCOLOR=\"#F0F0F0\">" : "<TR>";
            for (int c = 0; c < cols; ++c) {
                if (c + 1 < cols && pick(9) == 0) {
                    p += "<TD COLSPAN=2>" + sentence() + "</TD>";
                    ++c;
                } else if (r + 1 < rows && pick(15) == 0) {
                    p += "<TD ROWSPAN=2>" + word() + "</TD>";
                } else {
                    cell(p, false, nestedCells);
                }
            }
            p += "</TR>\n";
        }
        p += "</TABLE>\n";
    }
};

// The webling program built beside the benchmarks, or the one named by the environment
// variable WEBLING_PROGRAM (to compare two builds).
inline std::string WeblingProgram() {
    const char* other = std::getenv("WEBLING_PROGRAM");
    return other && *other ? other : WEBLING_PROGRAM;
}

} // namespace bench
