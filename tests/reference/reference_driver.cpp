// Runs one reference case: orvhost with the case's command, then the image it
// wrote compared with the case's reference image within a tolerance. With
// --update the reference is replaced by the new image instead.
//
//   reference_driver ORVHOST CASE_FOLDER WORK_FOLDER [--update]
//
// The case folder holds "command" (orvhost's arguments on one line, OUT
// standing for the image to write, paths from the repository root, which is
// the working folder) and "reference.png".
#include <sys/wait.h>
#include <unistd.h>

#include <OpenImageIO/imagebuf.h>
#include <OpenImageIO/imagebufalgo.h>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

// A pixel channel may differ this much before it counts as different, and
// this share of channels may differ: renders with random directions vary a
// little between builds of the ray tracer and its maths library.
constexpr double kChannelTolerance = 0.08;
constexpr double kDifferentShare = 0.01;
constexpr double kMeanTolerance = 0.01;

std::vector<std::string> words(const std::string &line) {
    std::istringstream in(line);
    std::vector<std::string> result;
    for (std::string word; in >> word;)
        result.push_back(word);
    return result;
}

int run(const std::vector<std::string> &arguments) {
    std::vector<char *> argv;
    for (const std::string &argument : arguments)
        argv.push_back(const_cast<char *>(argument.c_str()));
    argv.push_back(nullptr);
    const pid_t child = fork();
    if (child == 0) {
        execv(argv[0], argv.data());
        std::perror(argv[0]);
        _exit(127);
    }
    int status = 0;
    waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128;
}

}  // namespace

int main(int argc, char **argv) {
    if (argc < 4) {
        std::fprintf(stderr, "usage: %s ORVHOST CASE_FOLDER WORK_FOLDER [--update]\n", argv[0]);
        return 2;
    }
    const fs::path orvhost = argv[1], work = argv[3];
    // "case/" names the same folder as "case".
    fs::path folder = fs::path(argv[2]).lexically_normal();
    if (folder.filename().empty()) folder = folder.parent_path();
    const bool update = argc > 4 && std::string(argv[4]) == "--update";
    std::ifstream commandFile(folder / "command");
    std::string line;
    if (!std::getline(commandFile, line)) {
        std::fprintf(stderr, "%s: no command\n", (folder / "command").c_str());
        return 2;
    }
    fs::create_directories(work);
    const fs::path output = work / (folder.filename().string() + ".png");
    std::vector<std::string> arguments{orvhost.string(), "-q"};
    for (const std::string &word : words(line))
        arguments.push_back(word == "OUT" ? output.string() : word);
    std::string shown;
    for (const std::string &argument : arguments)
        shown += argument + " ";
    std::printf("%s\n", shown.c_str());
    if (const int status = run(arguments); status != 0) {
        std::fprintf(stderr, "orvhost ended with status %d\n", status);
        return 1;
    }
    const fs::path reference = folder / "reference.png";
    if (update) {
        fs::copy_file(output, reference, fs::copy_options::overwrite_existing);
        std::printf("updated %s\n", reference.c_str());
        return 0;
    }

    OIIO::ImageBuf rendered(output.string()), expected(reference.string());
    if (!rendered.read() || !expected.read()) {
        std::fprintf(stderr, "cannot read %s or %s\n", output.c_str(), reference.c_str());
        return 1;
    }
    const OIIO::ROI a = rendered.roi(), b = expected.roi();
    if (a.width() != b.width() || a.height() != b.height() || a.nchannels() != b.nchannels()) {
        std::fprintf(stderr, "%s is %dx%dx%d, the reference %dx%dx%d\n", output.c_str(), a.width(),
                     a.height(), a.nchannels(), b.width(), b.height(), b.nchannels());
        return 1;
    }
    const auto comparison = OIIO::ImageBufAlgo::compare(rendered, expected, kChannelTolerance, 1.0);
    const double values = double(a.width()) * a.height() * a.nchannels();
    const double share = double(comparison.nfail) / values;
    std::printf("mean difference %.5f, largest %.4f at %d,%d; %.3f%% of channels beyond %.2f\n",
                comparison.meanerror, comparison.maxerror, comparison.maxx, comparison.maxy,
                share * 100.0, kChannelTolerance);
    if (comparison.meanerror > kMeanTolerance || share > kDifferentShare) {
        const fs::path difference = work / (folder.filename().string() + ".difference.png");
        OIIO::ImageBuf diff = OIIO::ImageBufAlgo::absdiff(rendered, expected);
        diff = OIIO::ImageBufAlgo::mul(diff, 4.0f);
        diff.write(difference.string());
        std::fprintf(stderr, "differs from %s beyond the tolerance; differences (x4) in %s\n",
                     reference.c_str(), difference.c_str());
        return 1;
    }
    return 0;
}
