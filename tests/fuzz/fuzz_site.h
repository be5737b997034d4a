// What every fuzz target shares: a private scratch directory as the working
// directory, with a configuration that reaches nothing outside it (no data
// source, no file access entry but the uploads' "\temp", no mail spool, no
// log), and standard output thrown away.
#pragma once
#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

#include "driver/core/config.h"
#include "driver/core/program_dir.h"
#include "platform/dir_search.h"
#include "platform/file.h"

namespace kavr::fuzz {

// The scratch directory, made once per process.
inline const std::string& ScratchDir() {
    static std::string dir = [] {
        char tmpl[] = "/tmp/kavr-fuzz-XXXXXX";
        const char* made = mkdtemp(tmpl);
        std::string d = made ? made : "/tmp";
        mkdir((d + "/uploads").c_str(), 0700);
        return d;
    }();
    return dir;
}

// Loads the configuration from ini (written as kavri.ini in the scratch
// directory), makes the scratch directory the working directory and sends
// standard output to /dev/null. Call once, from LLVMFuzzerInitialize.
inline void SetUpSite(const std::string& ini = "") {
    const std::string& dir = ScratchDir();
    if (chdir(dir.c_str()) != 0) abort();
    std::string text = "[File IO]\nFileIOLogicalPath1=\\temp\nFileIOPhysicalPath1=" + dir +
                       "/uploads\nFileRead1=1\nFileWrite1=1\n" + ini;
    FILE* f = fopen((dir + "/kavri.ini").c_str(), "w");
    if (!f) abort();
    fwrite(text.data(), 1, text.size(), f);
    fclose(f);
    static std::string argv0 = dir + "/kavr";
    SetProgramInvocation(argv0.c_str());
    g_config.loaded = false;
    ConfigLoad(true);
    int null = open("/dev/null", O_WRONLY);
    if (null >= 0) dup2(null, STDOUT_FILENO);
}

// Removes what a run left in the uploads directory.
inline void RemoveUploads() {
    std::string dir = ScratchDir() + "/uploads";
    for (const std::string& name : platform::find_files(dir, "*"))
        unlink((dir + "/" + name).c_str());
}

inline std::string_view AsText(const uint8_t* data, size_t size) {
    return std::string_view(reinterpret_cast<const char*>(data), size);
}

}  // namespace kavr::fuzz
