// A small stand-in for libFuzzer's driver, for compilers without -fsanitize=fuzzer:
// runs every seed file, then a fixed number of random mutations of them (bit flips,
// interesting values, inserted, erased and copied bytes, truncation), reproducibly
// from a seed. Accepts the libFuzzer options it understands (-runs=N, -seed=N,
// -max_len=N) and ignores the others; paths are files or folders of seeds.
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace {

using Bytes = std::vector<uint8_t>;

struct Random {
    uint64_t state;
    uint64_t Next() {
        state ^= state << 13;
        state ^= state >> 7;
        state ^= state << 17;
        return state;
    }
    size_t Below(size_t n) { return n == 0 ? 0 : static_cast<size_t>(Next() % n); }
};

Bytes ReadFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void Mutate(Bytes& b, Random& rng, size_t maxLen) {
    static const uint32_t kInteresting[] = {0, 1, 0x7F, 0x80, 0xFF, 0x100, 0x7FFF, 0xFFFF, 0x10000, 0x7FFFFFFF,
                                            0x80000000u, 0xFFFFFFFFu, 13, 16, 4096};
    const int count = 1 + static_cast<int>(rng.Below(4));
    for (int i = 0; i < count; ++i) {
        switch (rng.Below(7)) {
            case 0:
                if (!b.empty()) {
                    b[rng.Below(b.size())] ^= static_cast<uint8_t>(1u << rng.Below(8));
                }
                break;
            case 1:
                if (!b.empty()) {
                    b[rng.Below(b.size())] = static_cast<uint8_t>(rng.Next());
                }
                break;
            case 2:
                if (b.size() >= 4) {
                    // A big-endian 32-bit value: lengths, widths and heights of PNG.
                    const uint32_t v = kInteresting[rng.Below(std::size(kInteresting))];
                    const size_t at = rng.Below(b.size() - 3);
                    b[at] = uint8_t(v >> 24);
                    b[at + 1] = uint8_t(v >> 16);
                    b[at + 2] = uint8_t(v >> 8);
                    b[at + 3] = uint8_t(v);
                }
                break;
            case 3: {
                const size_t at = rng.Below(b.size() + 1);
                const size_t n = 1 + rng.Below(16);
                Bytes extra(n);
                for (auto& x : extra) {
                    x = static_cast<uint8_t>(rng.Next());
                }
                b.insert(b.begin() + static_cast<std::ptrdiff_t>(at), extra.begin(), extra.end());
                break;
            }
            case 4:
                if (!b.empty()) {
                    const size_t at = rng.Below(b.size());
                    const size_t n = 1 + rng.Below(std::min<size_t>(32, b.size() - at));
                    b.erase(b.begin() + static_cast<std::ptrdiff_t>(at), b.begin() + static_cast<std::ptrdiff_t>(at + n));
                }
                break;
            case 5:
                if (b.size() > 1) {
                    const size_t from = rng.Below(b.size());
                    const size_t n = 1 + rng.Below(std::min<size_t>(64, b.size() - from));
                    const size_t to = rng.Below(b.size());
                    const Bytes piece(b.begin() + static_cast<std::ptrdiff_t>(from),
                                      b.begin() + static_cast<std::ptrdiff_t>(from + n));
                    b.insert(b.begin() + static_cast<std::ptrdiff_t>(to), piece.begin(), piece.end());
                }
                break;
            default:
                b.resize(rng.Below(b.size() + 1));
                break;
        }
    }
    if (b.size() > maxLen) {
        b.resize(maxLen);
    }
}

}  // namespace

int main(int argc, char** argv) {
    long long runs = 10000;
    uint64_t seed = 0x5EED5EEDu;
    size_t maxLen = 1 << 16;
    std::vector<Bytes> seeds;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg.rfind("-runs=", 0) == 0) {
            runs = std::stoll(arg.substr(6));
        } else if (arg.rfind("-seed=", 0) == 0) {
            seed = std::stoull(arg.substr(6));
        } else if (arg.rfind("-max_len=", 0) == 0) {
            maxLen = std::stoull(arg.substr(9));
        } else if (arg.rfind("-", 0) == 0) {
            continue;
        } else if (std::filesystem::is_directory(arg)) {
            for (const auto& entry : std::filesystem::directory_iterator(arg)) {
                if (entry.is_regular_file()) {
                    seeds.push_back(ReadFile(entry.path()));
                }
            }
        } else {
            seeds.push_back(ReadFile(arg));
        }
    }
    if (seeds.empty()) {
        seeds.push_back({});
    }
    for (const Bytes& s : seeds) {
        LLVMFuzzerTestOneInput(s.data(), s.size());
    }
    Random rng{seed == 0 ? 1 : seed};
    for (long long i = 0; i < runs; ++i) {
        Bytes b = seeds[rng.Below(seeds.size())];
        Mutate(b, rng, maxLen);
        LLVMFuzzerTestOneInput(b.data(), b.size());
    }
    std::printf("fuzz: %zu seeds and %lld mutated inputs decoded without a fault\n", seeds.size(), runs);
    return 0;
}
