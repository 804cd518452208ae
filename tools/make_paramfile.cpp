// Builds a parameter file from a text source of curves:
//   make_paramfile SOURCE.txt OUTPUT.prm
// Source lines read "index | code | name | description | parameters"; '#' starts a comment line.
#include <cstdio>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "Corvane/ParamFileEng.h"
#include "Corvane/numerics/codes.h"
#include "automation/bstr.h"

namespace {

std::string Trim(const std::string& s) {
    auto b = s.find_first_not_of(" \t"), e = s.find_last_not_of(" \t\r");
    return b == std::string::npos ? std::string() : s.substr(b, e - b + 1);
}

std::vector<std::string> Fields(const std::string& line) {
    std::vector<std::string> out;
    std::stringstream in(line);
    for (std::string f; std::getline(in, f, '|');) out.push_back(Trim(f));
    return out;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: make_paramfile SOURCE.txt OUTPUT.prm\n");
        return 2;
    }
    const std::map<std::string, std::int32_t> codes{
        {"svMED", corvane::svMED}, {"svTLognormal", corvane::svTLognormal}, {"svPareto", corvane::svPareto}};
    std::ifstream in(argv[1]);
    if (!in) {
        std::fprintf(stderr, "cannot read %s\n", argv[1]);
        return 1;
    }
    try {
        corvane::CParamFileEng file;
        file.create(argv[2]);
        int lineNo = 0;
        for (std::string line; std::getline(in, line);) {
            ++lineNo;
            if (Trim(line).empty() || Trim(line)[0] == '#') continue;
            auto f = Fields(line);
            if (f.size() != 5 || !codes.count(f[1])) {
                std::fprintf(stderr, "%s:%d: expected index | code | name | description | parameters\n", argv[1],
                             lineNo);
                return 1;
            }
            std::vector<double> values;
            std::stringstream numbers(f[4]);
            for (double v; numbers >> v;) values.push_back(v);
            file.add(std::stoi(f[0]), codes.at(f[1]), automation::Utf8ToUtf16(f[2]), automation::Utf8ToUtf16(f[3]),
                     values);
        }
        file.flush();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "make_paramfile: %s\n", e.what());
        return 1;
    }
    return 0;
}
