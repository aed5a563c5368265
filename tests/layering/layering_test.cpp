// Every target sees the repository root, so a wrong include would still compile: this test reads
// every include of the sources and fails on one that points up or sideways in the layering
//   game (world < vehicles < screens) -> engine -> {toolkit, platform}
//   engine: util < resource < render < {mesh, sound, input} < scene < physics < app
//   toolkit: dynamics < collision; the toolkit and the platform know nothing of each other.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include <unistd.h>

namespace fs = std::filesystem;

namespace {

// The units each unit may include besides itself.
std::map<std::string, std::set<std::string>> AllowedIncludes()
{
    std::map<std::string, std::set<std::string>> allowed;
    const std::set<std::string> base = {"platform", "physics/dynamics", "physics/collision"};
    allowed["platform"] = {};
    allowed["physics/dynamics"] = {};
    allowed["physics/collision"] = {"physics/dynamics"};
    const std::vector<std::vector<std::string>> engine = {
        {"util"}, {"resource"}, {"render"}, {"mesh", "sound", "input"}, {"scene"}, {"physics"}, {"app"}};
    std::set<std::string> below = base;
    for (const auto& level : engine) {
        for (const std::string& unit : level)
            allowed["engine/" + unit] = below;
        for (const std::string& unit : level)
            below.insert("engine/" + unit);
    }
    for (const std::string unit : {"world", "vehicles", "screens"}) {
        allowed["game/" + unit] = below;
        below.insert("game/" + unit);
    }
    allowed["app"] = below;
    allowed["tools"] = base;
    for (const auto& [unit, set] : allowed)
        if (unit.rfind("engine/", 0) == 0)
            allowed["tools"].insert(unit);
    return allowed;
}

// The unit of a path relative to the root: "engine/scene", "game/world", "platform", ...
std::string UnitOf(const std::string& path)
{
    const auto slash = path.find('/');
    if (slash == std::string::npos)
        return "";
    const std::string top = path.substr(0, slash);
    if (top == "engine" || top == "game" || top == "physics") {
        const auto second = path.find('/', slash + 1);
        return second == std::string::npos ? "" : path.substr(0, second);
    }
    return top;
}

// "file: include" for every include of a unit file that its unit may not make.
std::vector<std::string> Violations(const fs::path& root)
{
    const auto allowed = AllowedIncludes();
    const std::regex include(R"re(^\s*#\s*include\s*"([^"]+)")re");
    std::vector<std::string> found;
    for (const std::string top : {"engine", "game", "physics", "platform", "app", "tools"}) {
        if (!fs::exists(root / top))
            continue;
        for (const auto& entry : fs::recursive_directory_iterator(root / top)) {
            const std::string ext = entry.path().extension().string();
            if (!entry.is_regular_file() || (ext != ".h" && ext != ".cpp" && ext != ".c"))
                continue;
            const std::string file = fs::relative(entry.path(), root).generic_string();
            const std::string unit = UnitOf(file);
            const auto rule = allowed.find(unit);
            std::ifstream in(entry.path());
            std::string line;
            std::smatch m;
            while (std::getline(in, line)) {
                if (!std::regex_search(line, m, include))
                    continue;
                const std::string target = m[1].str();
                if (target.find('/') == std::string::npos)
                    continue;  // a file of the same folder
                const std::string to = UnitOf(target);
                if (to == unit || (rule != allowed.end() && rule->second.count(to)))
                    continue;
                found.push_back(file + ": " + target);
            }
        }
    }
    return found;
}

}  // namespace

TEST(Layering, EveryIncludePointsDownward)
{
    const std::vector<std::string> bad = Violations(CORVANE_SOURCE_ROOT);
    std::string list;
    for (const std::string& b : bad)
        list += "\n  " + b;
    EXPECT_TRUE(bad.empty()) << "includes against the layering:" << list;
}

// The checker itself on a small tree: a planted upward and a sideways include are found, the
// downward ones pass.
TEST(Layering, PlantedWrongIncludesAreFound)
{
    const fs::path root = fs::temp_directory_path() / ("corvane_layering_" + std::to_string(::getpid()));
    fs::create_directories(root / "engine/render");
    fs::create_directories(root / "engine/mesh");
    fs::create_directories(root / "physics/collision");
    std::ofstream(root / "engine/render/a.h") << "#include \"engine/scene/node.h\"\n#include \"engine/util/x.h\"\n";
    std::ofstream(root / "engine/mesh/b.cpp") << "#include \"engine/sound/s.h\"\n#include \"engine/render/a.h\"\n";
    std::ofstream(root / "physics/collision/c.cpp") << "#include \"physics/dynamics/d.h\"\n#include \"platform/p.h\"\n";
    const std::vector<std::string> bad = Violations(root);
    fs::remove_all(root);
    const std::set<std::string> got(bad.begin(), bad.end());
    EXPECT_EQ(got, (std::set<std::string>{"engine/render/a.h: engine/scene/node.h", "engine/mesh/b.cpp: engine/sound/s.h",
                                          "physics/collision/c.cpp: platform/p.h"}));
}
