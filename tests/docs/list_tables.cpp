// Prints the names of the engine's tag table and function table, one per
// line as "tag NAME" or "function NAME", with every layer of kavr
// registered. check_reference.py compares them with the language reference.
#include <cstdio>

#include "driver/modules.h"
#include "expr/functions.h"
#include "template/tag_table.h"

int main() {
    kavr::RegisterModules();
    for (const std::string& name : kavr::TagNames()) std::printf("tag %s\n", name.c_str());
    for (const std::string& name : kavr::FunctionNames()) std::printf("function %s\n", name.c_str());
    return 0;
}
