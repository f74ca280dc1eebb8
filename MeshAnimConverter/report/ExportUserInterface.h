// ExportUserInterface: the progress and question interface the geometry builders and the
// texture-descriptor writer call, with the list of referenced texture files (each name once,
// compared without regard to case). NullExportUserInterface shows nothing and answers every
// question "no".
#pragma once

#include "toolkit/gtArray.h"
#include "toolkit/gtString.h"

class ExportUserInterface {
public:
    virtual ~ExportUserInterface() = default;
    virtual void ShowStatus(const char* text) = 0;
    // The fraction of the current step done, 0 up to but excluding 1.
    virtual void ShowProgress(float fraction) = 0;
    virtual bool Query() = 0;
    // `yesNo` is 1 for a yes/no question, 0 for a plain notice; returns the answer.
    virtual bool Ask(const char* text, int yesNo, int flags) = 0;

    // Adds a referenced texture file name unless it is listed already, ignoring case.
    void AddReferencedTexture(const gtString& name);
    const gtArray<gtString>& ReferencedTextures() const { return m_referencedTextures; }

private:
    gtArray<gtString> m_referencedTextures;
};

class NullExportUserInterface : public ExportUserInterface {
public:
    void ShowStatus(const char* text) override { (void)text; }
    void ShowProgress(float fraction) override { (void)fraction; }
    bool Query() override { return false; }
    bool Ask(const char* text, int yesNo, int flags) override {
        (void)text;
        (void)yesNo;
        (void)flags;
        return false;
    }
};
