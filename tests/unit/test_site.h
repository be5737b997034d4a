// A throw-away directory for tests that need files, with the program
// directory pointed at it so kavri.ini and kavr_msg.ini are found there.
#pragma once
#include <stdlib.h>
#include <unistd.h>

#include <fstream>
#include <string>

#include "driver/core/config.h"
#include "driver/core/log.h"
#include "driver/core/program_dir.h"
#include "platform/file.h"

namespace kavr::test {

class TestSite {
public:
    TestSite() {
        char tmpl[] = "/tmp/kavr-unit-XXXXXX";
        dir_ = mkdtemp(tmpl);
        SetProgramInvocation((dir_ + "/kavr").c_str());
        g_config.loaded = false;
        ResetLogState();
    }
    ~TestSite() {
        std::string cmd = "rm -rf '" + dir_ + "'";
        if (system(cmd.c_str()) != 0) {
        }
        g_config = Config();
        SetProgramInvocation("kavr");
    }
    const std::string& dir() const { return dir_; }
    std::string path(const std::string& name) const { return dir_ + "/" + name; }
    void write(const std::string& name, const std::string& text) const {
        std::ofstream(path(name), std::ios::binary) << text;
    }
    std::string read(const std::string& name) const {
        std::string s;
        platform::read_whole_file(path(name), s);
        return s;
    }
    // Writes kavri.ini and loads it.
    void load_config(const std::string& ini) const {
        write("kavri.ini", ini);
        g_config.loaded = false;
        ConfigLoad(true);
    }

private:
    std::string dir_;
};

}  // namespace kavr::test
