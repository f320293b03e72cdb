// Build-time tool: fills the product's names from the model table into the host's templates.
//   xkiv_write_product_names TEMPLATE OUTPUT [TEMPLATE OUTPUT]...
// The host links nothing of the camera layer, so it gets the names as generated files.
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <utility>

#include "camera/model_table.h"

namespace {

std::string Filled(std::string text) {
    const std::pair<const char*, const char*> names[] = {
        {"@PRODUCT_NAME@", xkiv::kProductNames.productName},
        {"@FILE_DESCRIPTION@", xkiv::kProductNames.fileDescription},
        {"@INTERNAL_NAME@", xkiv::kProductNames.internalName},
        {"@DESKTOP_NAME@", xkiv::kProductNames.desktopName},
    };
    for (const auto& [placeholder, name] : names) {
        const std::string key = placeholder;
        for (std::size_t at = text.find(key); at != std::string::npos; at = text.find(key, at)) {
            text.replace(at, key.size(), name);
            at += std::string(name).size();
        }
    }
    return text;
}

// Writes only a changed text, so that what includes the output is not rebuilt for nothing.
bool Write(const std::string& path, const std::string& text) {
    std::ifstream existing(path, std::ios::binary);
    std::stringstream old;
    old << existing.rdbuf();
    if (existing && old.str() == text) {
        return true;
    }
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
    return static_cast<bool>(out.flush());
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3 || argc % 2 == 0) {
        std::cerr << "usage: xkiv_write_product_names TEMPLATE OUTPUT [TEMPLATE OUTPUT]...\n";
        return 64;
    }
    for (int i = 1; i + 1 < argc; i += 2) {
        std::ifstream in(argv[i], std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        if (!in || !Write(argv[i + 1], Filled(text.str()))) {
            std::cerr << "xkiv_write_product_names: cannot turn " << argv[i] << " into "
                      << argv[i + 1] << "\n";
            return 1;
        }
    }
    return 0;
}
