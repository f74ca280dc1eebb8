// Helpers for the interchange reader tests: temporary input files, the lexer's error box
// captured instead of printed, and a reader call that collects the log.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "MeshAnimConverter/scene/InterchangeReader.h"
#include "tests/MeshAnimConverter/StageTestSupport.h"
#include "tests/MeshAnimConverter/scene/LogCapture.h"
#include "tests/TestFiles.h"
#include "toolkit/WinDebug.h"

// A file holding `text` in a scratch folder, removed when the object dies.
class TempInput {
public:
    explicit TempInput(const std::string& text, const char* name = "input.xml")
        : m_path(m_folder.Write(name, text)) {}

    const std::string& Path() const { return m_path; }

private:
    ScratchFolder m_folder;
    std::string m_path;
};

// Collects the lexer's error-box texts for its lifetime.
class BoxCapture {
public:
    BoxCapture() {
        WinDebug::SetErrorBoxHandler([this](const char* text) {
            m_texts.emplace_back(text);
            return 0;
        });
    }
    ~BoxCapture() { WinDebug::SetErrorBoxHandler(nullptr); }
    BoxCapture(const BoxCapture&) = delete;
    BoxCapture& operator=(const BoxCapture&) = delete;

    const std::vector<std::string>& Texts() const { return m_texts; }

private:
    std::vector<std::string> m_texts;
};

// The outcome of reading one text.
struct ReadResult {
    bool ok = false;
    int32_t fileVersion = 0;
    std::vector<std::string> lines;     // the program log
    std::vector<std::string> problems;  // its error and warning lines
    std::vector<std::string> boxes;     // the lexer's error boxes
    int errors = 0;
    int warnings = 0;
};

inline ReadResult ReadText(const std::string& xml, SceneData& scene) {
    TempInput input(xml);
    LogCapture log;
    BoxCapture boxes;
    ReadResult result;
    result.ok = ReadInterchangeFile(input.Path().c_str(), result.fileVersion, scene, programLog,
                                    TestPreparer());
    result.lines = log.Lines();
    result.problems = log.Problems();
    result.boxes = boxes.Texts();
    result.errors = programLog.numErrors;
    result.warnings = programLog.numWarnings;
    return result;
}

// A whole document around the given mesh, materials and trailing blocks.
inline std::string Document(const std::string& mesh, const std::string& materials,
                            const std::string& rest = "") {
    return "<?xml version=\"1.0\"?>\n<vantokImport><version>1</version>" + mesh + materials + rest +
           "</vantokImport>";
}

// One triangle with the given corners' inner XML.
inline std::string Triangle(const std::string& a, const std::string& b, const std::string& c,
                            int materialId = 0) {
    return "<triangle><materialId>" + std::to_string(materialId) + "</materialId><vertex>" + a +
           "</vertex><vertex>" + b + "</vertex><vertex>" + c + "</vertex></triangle>";
}

inline std::string Corner(const char* position, const char* normal = "0, 0, 1") {
    return std::string("<position>") + position + "</position><normal>" + normal + "</normal>";
}

inline std::string SimpleMesh() {
    return "<mesh><name>m</name><triangles>" +
           Triangle(Corner("0,0,0"), Corner("1,0,0"), Corner("0,1,0")) + "</triangles></mesh>";
}

inline std::string SimpleMaterials() {
    return "<materials><material><name>mat</name><id>0</id></material></materials>";
}
