// Snapshot: a picture of a page of the viewer, drawn by headless Chromium and captured once
// the page signals that it has drawn (its `window.vantokDrawn` promise settles: "" when drawn,
// otherwise the error text). The PNG is written beside `outPath` and renamed into place.
#pragma once

#include <string>

struct SnapshotRequest {
    std::string browser;  // the Chromium executable
    std::string url;
    int width = 800;
    int height = 600;
    bool fitHeight = false;  // grow the height to the page's content (contact sheets)
    std::string outPath;
};

// The Chromium to use: $VANTOK_CHROMIUM when set, else /usr/bin/chromium; "" when it is not
// an executable file.
std::string FindBrowser();

bool CaptureSnapshot(const SnapshotRequest& request, std::string& error);

// Decodes standard base64 (with padding); false on a character outside the alphabet.
bool DecodeBase64(const std::string& text, std::string& bytes);
