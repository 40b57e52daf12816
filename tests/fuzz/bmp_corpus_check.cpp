// Runs every file of a corpus directory through the picture reader (check,
// conversion, key) and fails unless each one is accepted, or each one refused,
// as the first argument says. Built with ASan and UBSan, so a read outside the
// file's bytes fails the run as well.
//
// usage: bmp_corpus_check accept|reject DIRECTORY

#include "image/bmp_reader.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

// A heap block of exactly the file's length, as the plug-in reads it.
struct FileBytes {
    unsigned char* data = nullptr;
    std::int64_t length = 0;
    ~FileBytes() { std::free(data); }
};

bool readWhole(const std::filesystem::path& path, FileBytes& out)
{
    std::error_code error;
    const std::uintmax_t size = std::filesystem::file_size(path, error);
    if (error) {
        return false;
    }
    out.length = static_cast<std::int64_t>(size);
    out.data = static_cast<unsigned char*>(std::malloc(size == 0 ? 1 : size));
    if (out.data == nullptr) {
        return false;
    }
    std::ifstream file(path, std::ios::binary);
    file.read(reinterpret_cast<char*>(out.data), static_cast<std::streamsize>(size));
    return file.gcount() == static_cast<std::streamsize>(size);
}

} // namespace

int main(int argc, char** argv)
{
    const std::string mode = argc == 3 ? argv[1] : "";
    if (mode != "accept" && mode != "reject") {
        std::fprintf(stderr, "usage: bmp_corpus_check accept|reject DIRECTORY\n");
        return 2;
    }
    const bool wantAccepted = mode == "accept";
    int checked = 0;
    int wrong = 0;
    for (const auto& entry : std::filesystem::directory_iterator(argv[2])) {
        if (!entry.is_regular_file()) {
            continue;
        }
        FileBytes bytes;
        if (!readWhole(entry.path(), bytes)) {
            std::fprintf(stderr, "%s: cannot read\n", entry.path().c_str());
            return 1;
        }
        ++checked;
        bool accepted = bmpAccepted(bytes.data, bytes.length) != 0;
        if (accepted) {
            RgbaImage* image = convertBmpToRgba(bytes.data);
            accepted = image != nullptr;
            if (image != nullptr) {
                applyAlphaKey(image, 20);
                std::free(image);
            }
        }
        if (accepted != wantAccepted) {
            std::fprintf(stderr, "%s: expected %s, was %s\n", entry.path().c_str(),
                         wantAccepted ? "accepted" : "refused", accepted ? "accepted" : "refused");
            ++wrong;
        }
    }
    if (checked == 0) {
        std::fprintf(stderr, "%s holds no files\n", argv[2]);
        return 1;
    }
    std::printf("%d files, %d %s as expected\n", checked, checked - wrong,
                wantAccepted ? "accepted" : "refused");
    return wrong == 0 ? 0 : 1;
}
