// print-response FILE: reads a parameter file with the opbaff library and
// writes to standard output the bytes opbaff would write to OPBAFF.bds for it.
// A file that cannot be read gives the reason, with record and line, on
// standard error and exit status 2.
#include <opbaff/opbaff.h>

#include <cstdio>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: print-response FILE\n");
        return 2;
    }
    const auto file = opbaff::readParameterFile(argv[1]);
    if (!file) {
        std::fprintf(stderr, "print-response: %s\n", file.error().describe(argv[1]).c_str());
        return 2;
    }
    const opbaff::Response response = opbaff::computeResponse(file->design);
    for (std::size_t i = 0; i < response.frequenciesHz.size(); ++i) {
        const opbaff::ResultLine line = opbaff::formatResultLine(response.row(i));
        std::fwrite(line.data(), 1, line.size(), stdout);
    }
    return std::fflush(stdout) == 0 ? 0 : 1;
}
