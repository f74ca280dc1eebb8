// Whether a trial's twin would grow the same strips.
//
// A trial's first strip starts on the seed triangle (x, y, z) over its edge
// (x, y): it walks first over (y, z), then, not closing onto its own
// vertices, over (y, x). The twin is the trial of the same seed over (z, y):
// the same two walks in the other order. When neither walk reads a triangle
// of the other, the second walk never stops on its own vertices, and the
// twin's second walk would not either (none of the first walk's new corners
// is a corner of the second walk), the twin walks the same triangles with the
// same turns; it continues from the same pivot vertex y over the same marks,
// so all its strips match and its average strip length is the same. Judging
// keeps the first of equal values: a twin that comes later is never adopted
// and need not be grown.
//
// Record while growing a first strip: every triangle whose state a walk read,
// every triangle it took, every corner the first walk added. Marks are tokens
// per trial: no clearing. Cost: constant per step, memory linear in the
// triangles and vertices.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

class StripTwinCheck {
public:
    void Resize(size_t triangles, size_t vertices) {
        m_triMark.assign(triangles, 0);
        m_cornerMark.assign(vertices, 0);
    }

    // A new trial's first strip, before its first walk.
    void BeginFirstWalk() {
        m_token += 2;
        if (m_token == 0) {  // wrapped: old marks could match again
            std::fill(m_triMark.begin(), m_triMark.end(), 0u);
            std::fill(m_cornerMark.begin(), m_cornerMark.end(), 0u);
            m_token = 2;
        }
        m_phase = Phase::kFirst;
        m_holds = true;
    }
    void BeginSecondWalk() { m_phase = Phase::kSecond; }
    void End() { m_phase = Phase::kOff; }
    bool Active() const { return m_phase != Phase::kOff; }
    bool Holds() const { return m_holds; }

    // A walk read whether `tri` is taken.
    void Read(int tri) {
        uint32_t& mark = m_triMark[static_cast<size_t>(tri)];
        if (m_phase == Phase::kFirst) {
            if (mark != m_token + 1)
                mark = m_token;
        } else if (mark == m_token + 1) {
            m_holds = false;  // the second walk saw a triangle of the first
        }
    }

    // A walk took `tri`, whose corner `r` is not on the edge it came over;
    // `rOnStrip`: r is already a corner of the strip; r < 0 when the triangle
    // lacks the edge (never for the edges of the table's own triangles).
    void Took(int tri, int r, bool rOnStrip) {
        if (r < 0) {
            m_holds = false;
            return;
        }
        uint32_t& mark = m_triMark[static_cast<size_t>(tri)];
        uint32_t& corner = m_cornerMark[static_cast<size_t>(r)];
        if (m_phase == Phase::kFirst) {
            // the twin walks this way second and would stop here
            if (rOnStrip)
                m_holds = false;
            mark = m_token + 1;
            corner = m_token;
        } else if (mark == m_token || corner == m_token) {
            // the first walk read this triangle, or the twin's second walk
            // would stop on this corner
            m_holds = false;
        }
    }

    // The second walk stopped on the strip's own vertices: the twin, walking
    // this way first, would go on.
    void StoppedOnOwnVertices() { m_holds = false; }

private:
    enum class Phase { kOff, kFirst, kSecond };

    // per triangle: token (read by the first walk) or token + 1 (taken by it)
    std::vector<uint32_t> m_triMark;
    // per vertex: token when the first walk added it as a corner
    std::vector<uint32_t> m_cornerMark;
    uint32_t m_token = 0;
    Phase m_phase = Phase::kOff;
    bool m_holds = false;
};
