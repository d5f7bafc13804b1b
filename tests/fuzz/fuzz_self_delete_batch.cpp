// The self-delete batch: every quoted word, read back as a batch file reads it ("%%" is
// one "%"), is exactly one of the paths it was given, each line holds at most one, and the
// lines are the fixed ones; a path with a quote or control character, or an empty one,
// gives no batch at all.
#include "FuzzSupport.h"
#include "app/SelfDeleteBatch.h"

using namespace vorn;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::Input input(data, size);
    const bool withFolder = input.Byte() & 1;
    const int tries = 1 + input.Byte() % 100;
    const std::size_t exeSize = input.Byte() * 4;
    const std::vector<std::uint8_t> bytes = input.Bytes();
    const std::string all(bytes.begin(), bytes.end());
    const std::string exe = all.substr(0, exeSize), batch = all.substr(std::min(exeSize, all.size()));
    const std::string folder = withFolder ? BatchFolderOf(exe) : "";

    const std::string ping = "C:\\windows\\system32\\PING.EXE";
    const auto text = SelfDeleteBatchText(ping, exe, folder, batch, tries);
    const bool quotable = !exe.empty() && !batch.empty() &&
                          std::none_of(all.begin(), all.end(), [](char c) {
                              return c == '"' || static_cast<unsigned char>(c) < 0x20;
                          });
    FUZZ_CHECK(text.has_value() == quotable);
    if (!text) return 0;
    std::size_t lines = 0;
    for (std::size_t at = 0, end; (end = text->find("\r\n", at)) != std::string::npos; at = end + 2, ++lines) {
        const std::string line = text->substr(at, end - at);
        FUZZ_CHECK(line.find_first_of("\r\n") == std::string::npos);
        const std::size_t open = line.find('"');
        if (open == std::string::npos) continue;
        const std::size_t close = line.find('"', open + 1);
        FUZZ_CHECK(close != std::string::npos && line.find('"', close + 1) == std::string::npos);
        std::string word;
        for (std::size_t i = open + 1; i < close; ++i) {
            word += line[i];
            if (line[i] == '%') FUZZ_CHECK(line[++i] == '%');
        }
        FUZZ_CHECK(word == exe || word == folder || word == batch || word == ping);
    }
    FUZZ_CHECK(lines == (folder.empty() ? 13u : 15u) && text->ends_with("\r\n"));
    return 0;
}
