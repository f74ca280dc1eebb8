// TriangleReader: one triangle shown or quiet, and the ranges read ahead on several threads.
#include "MeshAnimConverter/scene/TriangleReader.h"

#include <algorithm>
#include <vector>

#include "MeshAnimConverter/scene/InterchangeText.h"
#include "MeshAnimConverter/scene/InterchangeValues.h"
#include "MeshAnimConverter/scene/TriangleFollower.h"
#include "toolkit/gtParallelFor.h"
#include "toolkit/tlLog.h"
#include "xml/gtXmlCompactDoc.h"

namespace {

// fewer triangles per thread are not worth a thread
constexpr size_t kMinTrianglesPerThread = 256;

// Channel readers of the one-thread reading: each tells whether the lexer reported an error;
// the lexer's box texts go to `lexerErrors` (null: the box itself).
struct ShownChannels {
    gtLineSink* lexerErrors = nullptr;
    bool Vector(gtXmlElementRef channel, gtVector3& value) {
        bool reported = false;
        value = ReadVectorText(channel, lexerErrors, &reported);
        return reported;
    }
    bool Pair(gtXmlElementRef channel, SceneTexCoord& value) {
        bool reported = false;
        value = ReadPairText(channel, lexerErrors, &reported);
        return reported;
    }
};

// Channel readers of the reading ahead: nothing is reported; `clean` turns false when the
// reading would have shown a message.
struct QuietChannels {
    bool clean = true;
    bool Vector(gtXmlElementRef channel, gtVector3& value) {
        clean = ReadVectorTextQuietly(channel, value) && clean;
        return false;
    }
    bool Pair(gtXmlElementRef channel, SceneTexCoord& value) {
        clean = ReadPairTextQuietly(channel, value) && clean;
        return false;
    }
};

// The vertex channel's stream number: the integer value of its `stream` attribute (0 when
// missing or empty), taken as unsigned so that negative numbers count as large.
uint32_t StreamOf(gtXmlElementRef channel) {
    return static_cast<uint32_t>(ParseLong(channel->GetAttribute("stream")));
}

template <class Channels>
void ReadVertex(gtXmlElementRef element, SceneVertex& vertex, Channels& channels) {
    // First the first child of each channel, whatever its stream...
    gtXmlElementRef position = element->FindChildElement("position");
    gtXmlElementRef normal = element->FindChildElement("normal");
    gtXmlElementRef texcoord = element->FindChildElement("texcoord");
    bool positionReported = false;
    bool normalReported = false;
    bool texcoordReported = false;
    if (position != nullptr) {
        positionReported = channels.Vector(position, vertex.position);
    }
    if (normal != nullptr) {
        normalReported = channels.Vector(normal, vertex.normal);
    }
    if (texcoord != nullptr) {
        texcoordReported = channels.Pair(texcoord, vertex.texcoord);
    }
    // ...then every stream-0 channel again in document order (the last wins), and the weights.
    // Reading a first child again gives the same value, so it is skipped unless its first
    // reading reported errors, which the second reading reports again.
    for (gtXmlElementRef child = element->FirstChildElement(); child != nullptr;
         child = child->NextSiblingElement()) {
        const uint32_t stream = StreamOf(child);
        if (child->IsNamed("boneId")) {
            if (stream < 4) {
                vertex.boneId[stream] = ParseLong(child->GetText());
            }
        } else if (child->IsNamed("blend")) {
            if (stream < 4) {
                vertex.blend[stream] = ParseReal(child->GetText());
            }
        } else if (stream != 0) {
            continue;
        } else if (child->IsNamed("position")) {
            if (child != position || positionReported) {
                channels.Vector(child, vertex.position);
            }
        } else if (child->IsNamed("normal")) {
            if (child != normal || normalReported) {
                channels.Vector(child, vertex.normal);
            }
        } else if (child->IsNamed("texcoord")) {
            if (child != texcoord || texcoordReported) {
                channels.Pair(child, vertex.texcoord);
            }
        }
    }
    // Weights sum to 1, or are all 0.
    float sum = 0.0f;
    for (float w : vertex.blend) {
        sum += w;
    }
    if (sum > 0.0f) {
        const float scale = 1.0f / sum;
        for (float& w : vertex.blend) {
            w *= scale;
        }
    } else {
        for (float& w : vertex.blend) {
            w = 0.0f;
        }
    }
}

gtXmlElementRef NextVertex(gtXmlElementRef vertex) {
    do {
        vertex = vertex->NextSiblingElement();
    } while (vertex != nullptr && !vertex->IsNamed("vertex"));
    return vertex;
}

// Face normal for the corners that were given none.
void CompleteNormals(SceneTriangle& triangle) {
    const gtVector3& p0 = triangle.vertices[0].position;
    const gtVector3& p1 = triangle.vertices[1].position;
    const gtVector3& p2 = triangle.vertices[2].position;
    const gtVector3 faceNormal = Normalise(Cross(p2 - p1, p0 - p1));
    for (SceneVertex& corner : triangle.vertices) {
        if (LengthSquared(corner.normal) == 0.0f) {
            corner.normal = faceNormal;
        }
    }
}

// The one-thread reading of a triangle into a fresh `triangle`.
bool ReadTriangle(gtXmlElementRef element, SceneTriangle& triangle, tlLog& log,
                  gtLineSink* lexerErrors) {
    ShownChannels channels{lexerErrors};
    triangle.materialId = ReadIntegerValue(element, "materialId", 0);
    if (element->CountChildElements("vertex") > 3) {
        log.Warning("Expecting 3 vertices per triangle. Only the first 3 will be used.");
    }
    gtXmlElementRef vertex = element->FindChildElement("vertex");
    for (int corner = 0; corner < 3; ++corner) {
        if (vertex == nullptr) {
            log.Error("Expecting 3 vertices per triangle");
            return false;
        }
        ReadVertex(vertex, triangle.vertices[corner], channels);
        vertex = NextVertex(vertex);
    }
    CompleteNormals(triangle);
    return true;
}

// Reads elements [begin, end) quietly into out[begin, end); returns where it stopped: the first
// triangle to be read again on the calling thread, or `end`.
size_t ReadAhead(const std::vector<gtXmlElementRef>& elements, size_t begin, size_t end,
                 SceneTriangle* out) {
    for (size_t i = begin; i < end; ++i) {
        try {
            if (!ReadTriangleQuietly(elements[i], out[i]))
                return i;
        } catch (...) {
            return i;  // read again where a failure is reported in its turn
        }
    }
    return end;
}

// Reads the triangles ahead in `ranges` ranges on up to as many threads, this one among them;
// stop[k] is where range k's reading ahead stopped.
std::vector<size_t> ReadRangesAhead(const std::vector<gtXmlElementRef>& elements,
                                    const std::vector<size_t>& begin, SceneTriangle* out) {
    const size_t ranges = begin.size() - 1;
    std::vector<size_t> stop(ranges);
    gtParallelFor(ranges, static_cast<unsigned>(ranges),
                  [&](size_t k) { stop[k] = ReadAhead(elements, begin[k], begin[k + 1], out); });
    return stop;
}

// Moves the follower's results for the leading elements into `triangles`: a slot per element up
// to the last one read there, ready or left to be read again. Returns the slots added.
size_t TakeFollowed(TriangleFollower& follower, const std::vector<gtXmlElementRef>& elements,
                    gtArray<SceneTriangle>& triangles, std::vector<char>& ready) {
    size_t i = 0;
    for (size_t r = 0; r < follower.Count() && i < elements.size(); ++r) {
        follower.ReleaseBefore(r);
        TriangleFollower::Result& result = follower[r];
        for (; i < elements.size() && elements[i].Position() < result.position; ++i) {
            triangles.AddNew();
            ready.push_back(0);
        }
        if (i < elements.size() && elements[i].Position() == result.position) {
            triangles.Add(std::move(result.triangle));
            ready.push_back(1);
            ++i;
        }
    }
    return i;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Entry points

bool ReadTriangleQuietly(gtXmlElementRef element, SceneTriangle& triangle) {
    if (element->CountChildElements("vertex") != 3) {
        return false;
    }
    QuietChannels channels;
    triangle.materialId = ReadIntegerValue(element, "materialId", 0);
    gtXmlElementRef vertex = element->FindChildElement("vertex");
    for (int corner = 0; corner < 3 && channels.clean; ++corner) {
        ReadVertex(vertex, triangle.vertices[corner], channels);
        vertex = NextVertex(vertex);
    }
    CompleteNormals(triangle);
    return channels.clean;
}

bool ReadTriangleElements(gtXmlElementRef triangles, SceneData& scene, tlLog& log,
                          gtLineSink* lexerErrors, unsigned threads, TriangleFollower* follower) {
    std::vector<gtXmlElementRef> elements;
    for (gtXmlElementRef t = triangles->FirstChildElement(); t != nullptr;
         t = t->NextSiblingElement()) {
        if (t->IsNamed("triangle"))
            elements.push_back(t);
    }
    const int first = scene.triangles.Count();
    std::vector<char> ready;  // per element: its slot holds the triangle read quietly
    size_t followed = 0;
    if (follower != nullptr) {
        follower->Stop();
        followed = TakeFollowed(*follower, elements, scene.triangles, ready);
    }
    const size_t rest = elements.size() - followed;
    const size_t ranges = std::min<size_t>(threads, rest / kMinTrianglesPerThread);
    if (ranges < 2 && followed == 0) {
        for (gtXmlElementRef t : elements) {
            if (!ReadTriangle(t, scene.triangles.AddNew(), log, lexerErrors))
                return false;
        }
        return true;
    }

    scene.triangles.SetCount(first + static_cast<int>(elements.size()));
    SceneTriangle* out = scene.triangles.Data() + first;
    ready.resize(elements.size(), 0);
    if (ranges >= 2) {
        std::vector<size_t> begin(ranges + 1);
        for (size_t k = 0; k <= ranges; ++k) begin[k] = followed + rest * k / ranges;
        const std::vector<size_t> stop = ReadRangesAhead(elements, begin, out);
        for (size_t k = 0; k < ranges; ++k) {
            std::fill(ready.begin() + begin[k], ready.begin() + stop[k], 1);
        }
    }

    // in order, what was not read ahead: messages come as one thread gives them
    for (size_t i = 0; i < elements.size(); ++i) {
        if (ready[i])
            continue;
        out[i] = SceneTriangle();
        if (!ReadTriangle(elements[i], out[i], log, lexerErrors)) {
            scene.triangles.SetCount(first + static_cast<int>(i) + 1);
            return false;
        }
    }
    return true;
}
