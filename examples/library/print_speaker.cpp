// print-speaker FILE [cm|in]: reads a speaker file (and the FRD files it
// names) and prints it back as the library writes it, in centimetres or
// inches; a file that cannot be read gives its place and reason and status 2.
#include <opbaff/speaker_file.h>

#include <cstdio>
#include <string>

int main(int argc, char** argv) {
    if (argc < 2 || argc > 3) {
        std::fputs("usage: print-speaker FILE [cm|in]\n", stderr);
        return 2;
    }
    const auto speaker = opbaff::readSpeakerFile(argv[1]);
    if (!speaker) {
        std::fprintf(stderr, "print-speaker: %s\n",
                     opbaff::speakerFileErrorText(speaker.error()).c_str());
        return 2;
    }
    const std::string text = opbaff::speakerFileText(*speaker, argc == 3 ? argv[2] : "cm");
    std::fputs(text.c_str(), stdout);
    return 0;
}
