// AssetJson: the JSON documents the page reads: the index of every asset and the details of
// one (its summary, findings, conversion log and the dump's text). Key order is fixed.
#pragma once

#include <nlohmann/json.hpp>
#include <string>

#include "tools/view/AssetSummary.h"

nlohmann::ordered_json SummaryJson(const AssetSummary& summary);

// The summary with the dump's text of the mesh added as "dump".
nlohmann::ordered_json DetailJson(const AssetSummary& summary);

// The content type of a served file, by its extension.
std::string ContentTypeOf(const std::string& fileName);
