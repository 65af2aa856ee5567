// Bounded fuzz driver for compilers without libFuzzer: runs LLVMFuzzerTestOneInput over the
// target's seeds, over files and folders given on the command line, and then over a fixed
// number of deterministic pseudo-random mutations of them. The same seed and iteration count
// give the same inputs, so a failure is reproducible; on a crash the input is written to
// crash-<target>-<iteration> in the working folder.
//
//   fuzz_<target> [--iterations N] [--seed S] [--max-len BYTES] [FILE|FOLDER]...
//   fuzz_<target> --write-seeds FOLDER    writes the built-in seeds as files (a starting
//                                         corpus for the libFuzzer build) and exits
//   fuzz_<target> --write-dictionary FILE  writes the target's tokens as a libFuzzer
//                                         dictionary and exits

#include "fuzz/fuzz_driver.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace {

// The input being run, for the crash handler.
const std::string* currentInput = nullptr;
char crashPath[256] = "crash-input";

void onCrash(int signal) {
    if (currentInput) {
        int fd = ::open(crashPath, O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (fd >= 0) {
            ssize_t written = ::write(fd, currentInput->data(), currentInput->size());
            (void)written;
            ::close(fd);
        }
        const char note[] = "fuzz driver: crashing input written to ";
        ssize_t w = ::write(2, note, sizeof note - 1);
        w = ::write(2, crashPath, std::strlen(crashPath));
        w = ::write(2, "\n", 1);
        (void)w;
    }
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}

// splitmix64: small, fast and the same on every machine.
struct Random {
    uint64_t state;
    uint64_t next() {
        uint64_t z = (state += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    size_t below(size_t n) { return n == 0 ? 0 : size_t(next() % n); }
};

std::string bigEndian32(uint32_t v) {
    return {char(v >> 24), char(v >> 16), char(v >> 8), char(v)};
}

void mutate(std::string& data, Random& random, const std::vector<std::string>& corpus,
            const std::vector<std::string>& dictionary, size_t maxLength) {
    static const uint32_t kInteresting[] = {
        0, 1, 7, 8, 16, 127, 128, 255, 0x7FFFFFFF, 0x80000000, 0xFFFFFFFF, 0xFFFFFFF8, 4000, 5000};
    int rounds = 1 + int(random.below(4));
    for (int round = 0; round < rounds; ++round) {
        size_t at = random.below(data.size() + 1);
        switch (random.below(9)) {
            case 0:  // flip a bit
                if (!data.empty()) data[at % data.size()] ^= char(1u << random.below(8));
                break;
            case 1:  // set a byte
                if (!data.empty()) data[at % data.size()] = char(random.next());
                break;
            case 2:  // insert bytes
                data.insert(at, random.below(8) + 1, char(random.next()));
                break;
            case 3:  // erase a range
                if (!data.empty()) {
                    size_t from = at % data.size();
                    data.erase(from, random.below(std::min<size_t>(data.size() - from, 256)) + 1);
                }
                break;
            case 4: {  // overwrite with a big-endian 32-bit value (box sizes)
                std::string value =
                    bigEndian32(kInteresting[random.below(std::size(kInteresting))]);
                if (data.size() >= 4) data.replace(at % (data.size() - 3), 4, value);
                break;
            }
            case 5:  // insert a dictionary token
                if (!dictionary.empty())
                    data.insert(at, dictionary[random.below(dictionary.size())]);
                break;
            case 6:  // overwrite with a dictionary token
                if (!dictionary.empty() && !data.empty()) {
                    const std::string& token = dictionary[random.below(dictionary.size())];
                    size_t from = at % data.size();
                    data.replace(from, std::min(token.size(), data.size() - from), token);
                }
                break;
            case 7: {  // splice in a piece of another input
                const std::string& other = corpus[random.below(corpus.size())];
                if (!other.empty()) {
                    size_t from = random.below(other.size());
                    data.insert(at, other, from, random.below(other.size() - from) + 1);
                }
                break;
            }
            default:  // cut a short tail, as a file cut off while writing
                data.resize(data.size() - random.below(std::min<size_t>(data.size(), 64) + 1));
                break;
        }
    }
    if (data.size() > maxLength) data.resize(maxLength);
}

// The tokens as libFuzzer's dictionary lines: "..." with every byte outside printable ASCII,
// the quote and the backslash written as \xNN.
bool writeDictionary(const std::string& path, const std::vector<std::string>& tokens) {
    std::ofstream out(path, std::ios::binary);
    for (const std::string& token : tokens) {
        out << '"';
        for (unsigned char c : token) {
            if (c >= 0x20 && c < 0x7f && c != '"' && c != '\\') {
                out << char(c);
            } else {
                char escaped[5];
                std::snprintf(escaped, sizeof escaped, "\\x%02x", c);
                out << escaped;
            }
        }
        out << "\"\n";
    }
    return bool(out);
}

bool readFileInto(const std::filesystem::path& path, std::vector<std::string>& corpus) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    corpus.emplace_back(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return true;
}

void run(const std::string& input) {
    currentInput = &input;
    LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(input.data()), input.size());
    currentInput = nullptr;
}

}  // namespace

int main(int argc, char** argv) {
    long iterations = 20000;
    uint64_t seed = 1;
    size_t maxLength = 1 << 16;
    std::vector<std::string> corpus;
    std::string seedFolder;
    std::string dictionaryFile;
    std::string name = std::filesystem::path(argv[0]).filename().string();
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg == "--iterations" && i + 1 < argc) {
            iterations = std::strtol(argv[++i], nullptr, 10);
        } else if (arg == "--seed" && i + 1 < argc) {
            seed = std::strtoull(argv[++i], nullptr, 10);
        } else if (arg == "--max-len" && i + 1 < argc) {
            maxLength = std::strtoul(argv[++i], nullptr, 10);
        } else if (arg == "--write-seeds" && i + 1 < argc) {
            seedFolder = argv[++i];
        } else if (arg == "--write-dictionary" && i + 1 < argc) {
            dictionaryFile = argv[++i];
        } else if (arg.rfind("--", 0) == 0) {
            std::fprintf(stderr,
                         "usage: %s [--iterations N] [--seed S] [--max-len BYTES] "
                         "[FILE|FOLDER]...\n       %s --write-seeds FOLDER\n"
                         "       %s --write-dictionary FILE\n",
                         argv[0], argv[0], argv[0]);
            return 2;
        } else {
            std::error_code error;
            if (std::filesystem::is_directory(arg, error)) {
                for (const auto& entry : std::filesystem::directory_iterator(arg, error))
                    if (entry.is_regular_file()) readFileInto(entry.path(), corpus);
            } else if (!readFileInto(arg, corpus)) {
                std::fprintf(stderr, "%s: cannot read corpus input %s\n", name.c_str(),
                             arg.c_str());
                return 2;
            }
        }
    }
    if (!dictionaryFile.empty()) {
        const std::vector<std::string> tokens =
            mokselFuzzDictionary ? mokselFuzzDictionary() : std::vector<std::string>{};
        if (!writeDictionary(dictionaryFile, tokens)) {
            std::fprintf(stderr, "%s: cannot write %s\n", name.c_str(), dictionaryFile.c_str());
            return 1;
        }
        return 0;
    }
    if (mokselFuzzSeeds) {
        for (std::string& s : mokselFuzzSeeds()) corpus.push_back(std::move(s));
    }
    if (!seedFolder.empty()) {
        std::error_code error;
        std::filesystem::create_directories(seedFolder, error);
        for (size_t i = 0; i < corpus.size(); ++i) {
            std::ofstream out(std::filesystem::path(seedFolder) / ("seed-" + std::to_string(i)),
                              std::ios::binary);
            out.write(corpus[i].data(), std::streamsize(corpus[i].size()));
            if (!out) {
                std::fprintf(stderr, "%s: cannot write into %s\n", name.c_str(),
                             seedFolder.c_str());
                return 1;
            }
        }
        std::printf("%s: %zu seeds written to %s\n", name.c_str(), corpus.size(),
                    seedFolder.c_str());
        return 0;
    }
    std::vector<std::string> dictionary;
    if (mokselFuzzDictionary) dictionary = mokselFuzzDictionary();
    corpus.emplace_back();  // the empty input
    for (std::string& input : corpus)
        if (input.size() > maxLength) input.resize(maxLength);

    for (int sig : {SIGSEGV, SIGABRT, SIGBUS, SIGFPE, SIGILL}) std::signal(sig, onCrash);

    for (size_t i = 0; i < corpus.size(); ++i) {
        std::snprintf(crashPath, sizeof crashPath, "crash-%s-seed-%zu", name.c_str(), i);
        run(corpus[i]);
    }
    Random random{seed};
    const size_t seedCount = corpus.size();
    for (long i = 0; i < iterations; ++i) {
        std::string input = corpus[random.below(corpus.size())];
        mutate(input, random, corpus, dictionary, maxLength);
        std::snprintf(crashPath, sizeof crashPath, "crash-%s-%ld", name.c_str(), i);
        run(input);
        // Keep some mutants as parents so mutations can build on each other.
        if (random.below(16) == 0) {
            if (corpus.size() < seedCount + 256) {
                corpus.push_back(std::move(input));
            } else {
                corpus[seedCount + random.below(256)] = std::move(input);
            }
        }
    }
    std::printf("%s: %zu seed inputs and %ld mutations ran without a fault (seed %llu)\n",
                name.c_str(), seedCount, iterations, static_cast<unsigned long long>(seed));
    return 0;
}
