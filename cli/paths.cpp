#include "paths.h"

#include "base/file_io.h"

#include <algorithm>
#include <cerrno>
#include <map>

#include <sys/stat.h>

#ifdef _WIN32
#include <direct.h>
#include <windows.h>
#endif

std::string DefaultOutputPath(const std::string& input, const std::string& extension) {
    return input.substr(0, input.size() - FileExtension(input).size()) + "-velmora" + extension;
}

std::string OutputInFolder(const std::string& input, const std::string& folder, const std::string& extension) {
    const std::string beside = DefaultOutputPath(input, extension);
    size_t nameStart = 0;
    bool endsInSeparator = false;
    for (size_t at = 0; at < beside.size(); ++at) {
        if (IsPathSeparator(beside[at])) nameStart = at + 1;
    }
    for (size_t at = 0; at < folder.size(); ++at) endsInSeparator = IsPathSeparator(folder[at]);
#ifdef _WIN32
    const char* separator = "\\";
#else
    const char* separator = "/";
#endif
    return folder + (endsInSeparator ? "" : separator) + beside.substr(nameStart);
}

std::string OutputPathKey(const std::string& path) {
    std::string key = path;
#ifdef _WIN32
    for (char& c : key) {
        if (c == '/') c = '\\';
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
#endif
    return key;
}

bool CreateFolders(const std::string& folder, int* systemError) {
    auto make = [](const std::string& path) {
#ifdef _WIN32
        return _wmkdir(WidePath(path.c_str()).c_str());
#else
        return mkdir(path.c_str(), 0777);
#endif
    };
    // Each parent first; one that exists already, or a drive or root, fails
    // harmlessly. The colon after a drive letter ends no folder name.
    for (size_t at = 0; at < folder.size(); ++at) {
        if (at > 0 && IsPathSeparator(folder[at]) && folder[at] != ':') make(folder.substr(0, at));
    }
    if (make(folder) == 0) return true;
    *systemError = errno;
#ifdef _WIN32
    const DWORD attributes = GetFileAttributesW(WidePath(folder.c_str()).c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) return true;
#else
    struct stat status {};
    if (stat(folder.c_str(), &status) == 0 && S_ISDIR(status.st_mode)) return true;
#endif
    if (*systemError == EEXIST) *systemError = ENOTDIR;
    return false;
}

std::string FileKey(const std::string& path) {
    FileIdentity identity;
    if (!IdentifyFile(path.c_str(), &identity)) return "name " + OutputPathKey(path);
    return "file " + std::to_string(identity.device) + " " + std::to_string(identity.number);
}

std::vector<std::string> RefusedOutputs(const std::vector<std::string>& inputs,
                                        const std::vector<std::string>& outputs) {
    std::vector<std::string> inputKeys;
    for (const std::string& input : inputs) inputKeys.push_back(FileKey(input));
    std::sort(inputKeys.begin(), inputKeys.end());
    std::map<std::string, size_t> firstWriter;
    std::vector<std::string> problems(outputs.size());
    for (size_t i = 0; i < outputs.size(); ++i) {
        const std::string key = FileKey(outputs[i]);
        const auto [earlier, isFirst] = firstWriter.emplace(key, i);
        if (std::binary_search(inputKeys.begin(), inputKeys.end(), key)) {
            problems[i] = outputs[i] + ": not written: it is an input file";
        } else if (!isFirst) {
            problems[i] = outputs[i] + ": not written: it is also the output for " + inputs[earlier->second];
        }
    }
    return problems;
}
