// Readers of the entities that draw as lines: LEADER, MULTILEADER, MLINE,
// RAY, XLINE, the frames of IMAGE and WIPEOUT, and ACAD_TABLE (an insert
// of the block that holds its grid and cell text).
//
// LEADER: 71 arrowhead (1 on), 72 path type (1 spline), 3 dimension style,
// 10/20/30 each vertex (the arrowhead at the first).
// MULTILEADER: its lines sit in its context data: each leader (302
// "LEADER{" .. 303 "}") holds its last point (10/20) where the lines meet
// the landing, the landing's direction (11/21) and length (40), and its
// lines (304 "LEADER_LINE{" .. 305 "}"), each of its vertices (10/20).
// Each line runs from its first vertex (the arrowhead) through the others
// to the last point; the landing runs on from there. 170 = 0 hides the
// lines, 291 = 0 the landing; the arrowhead's size is the context's 140,
// else the entity's 42.
// MLINE: 71 flags (2 closed), 73 elements per vertex, then per vertex
// 11/21/31 its point, 12/22/32 its segment's direction, 13/23/33 its mitre
// direction, and per element 74 parameters (41, the first the element's
// offset along the mitre) and 75 fill parameters (42).
// RAY and XLINE: 10/20/30 a point, 11/21/31 the direction.
// IMAGE and WIPEOUT: 10 insertion, 11 and 12 a pixel's u and v vectors,
// 13/23 the size in pixels, 70 display flags, 280 clipping on, 71 clip
// type, 91 then 14/24 the clip boundary.
// ACAD_TABLE: 2 its block, 10/20/30 the insertion point, 11/21/31 its
// direction.
// MESH: 92 the vertex count, then each vertex (10/20/30); 93 the size of
// the face list, then that many 90s, each face as its vertex count and
// vertex numbers (from 0); 94 edges and 95 creases after it are not read.
// It is stored as a polyface mesh (a POLYLINE with flag 64), faces of more
// than four vertices as fans of triangles whose inner edges are hidden.
// ACAD_PROXY_ENTITY: 92 (160 in later versions) the size of its graphics,
// which the 310 hex chunks after it hold; 310 chunks beyond that size (the
// object's own data) are not graphics.
#include "dxf/dxf_heap.h"
#include "dxf/dxf_reader_internal.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>
#include <vector>

namespace {

// Reads pairs up to the next code 0 pair (left in v, the mark just before
// it), handing each to store.
template <class Store> void Pairs(DXFREADER* r, char* v, Store&& store) {
    for (;;) {
        DxfMark(r);
        const DxfPair p = DxfReadPairView(r);
        if (p.code == 0) {
            DxfCopyText(v, DXF_VALUE_BYTES, p.value);
            return;
        }
        store(p.code, p.value);
    }
}

// A vector's contents as a heap array the database owns (NULL when empty
// or out of memory).
template <class T> T* HeapCopy(const std::vector<T>& v) {
    if (v.empty()) return nullptr;
    T* p = DxfHeapNew<T>(v.size());
    if (p) std::memcpy(static_cast<void*>(p), v.data(), v.size() * sizeof(T));
    return p;
}

void StoreLeader(DXFLEADER* e, const std::vector<DXFCOORD>& pts, const std::vector<DXFLEADERRUN>& runs) {
    e->pPoints = HeapCopy(pts);
    e->pRuns = HeapCopy(runs);
    if (!e->pPoints || !e->pRuns) {
        DxfHeapFree(e->pPoints);
        DxfHeapFree(e->pRuns);
        e->pPoints = nullptr;
        e->pRuns = nullptr;
        return;
    }
    e->nPoints = static_cast<int>(pts.size());
    e->nRuns = static_cast<int>(runs.size());
}

void ReadLeader(DXFREADER* r, DXFENTITYCOMMON* c, DXFLEADERENTRY* e, char* v) {
    std::memset(e, 0, sizeof *e);
    c->wType = DXF_LEADER;
    std::vector<DXFCOORD> pts;
    int arrow = 1;
    Pairs(r, v, [&](int code, std::string_view s) {
        switch (code) {
        case 10:
            pts.push_back({DxfAtof(s), 0, 0});
            break;
        case 20:
            if (!pts.empty()) pts.back().y = DxfAtof(s);
            break;
        case 30:
            if (!pts.empty()) pts.back().z = DxfAtof(s);
            break;
        case 71:
            arrow = DxfAtoi(s);
            break;
        case 72:
            e->leader.nPathType = DxfAtoi(s);
            break;
        case 3:
            DxfCopyText(e->szDimStyle, s);
            break;
        default:
            DxfStoreCommon(c, code, s);
            break;
        }
    });
    if (pts.size() >= 2) StoreLeader(&e->leader, pts, {{static_cast<int>(pts.size()), arrow == 1 ? 1 : 0}});
}

void ReadMLeader(DXFREADER* r, DXFENTITYCOMMON* c, DXFLEADER* e, char* v) {
    std::memset(e, 0, sizeof *e);
    c->wType = DXF_MLEADER;
    std::vector<DXFCOORD> pts;
    std::vector<DXFLEADERRUN> runs;
    // The leader being read: its lines' points (each line a run of its
    // own), its last point and landing.
    struct Leader {
        std::vector<std::vector<DXFCOORD>> lines;
        DXFCOORD last{}, dir{};
        double length = 0;
        bool haveLast = false, haveDir = false;
    } leader;
    int depth = 0; // 1 in the context, 2 in a leader, 3 in a line
    bool visible = true, landing = true;
    double contextArrow = 0, entityArrow = 0;
    auto endLeader = [&] {
        for (std::vector<DXFCOORD>& line : leader.lines) {
            if (leader.haveLast) line.push_back(leader.last);
            if (line.size() < 2) continue;
            runs.push_back({static_cast<int>(line.size()), 1});
            pts.insert(pts.end(), line.begin(), line.end());
        }
        if (leader.haveLast && leader.haveDir && leader.length != 0) {
            const double len = std::hypot(leader.dir.x, leader.dir.y);
            if (len > 0) {
                const double k = leader.length / len;
                pts.push_back(leader.last);
                pts.push_back(
                    {leader.last.x + leader.dir.x * k, leader.last.y + leader.dir.y * k, leader.last.z});
                runs.push_back({-2, 0}); // the landing, kept or dropped below
            }
        }
        leader = Leader{};
    };
    Pairs(r, v, [&](int code, std::string_view s) {
        // The brackets; the same codes carry text elsewhere (304 the
        // default text).
        if (code == 300 && s == "CONTEXT_DATA{") {
            depth = 1;
            return;
        }
        if (code == 302 && s == "LEADER{") {
            depth = 2;
            return;
        }
        if (code == 304 && s == "LEADER_LINE{" && depth >= 2) {
            depth = 3;
            leader.lines.emplace_back();
            return;
        }
        if (code == 305 && s == "}" && depth == 3) {
            depth = 2;
            return;
        }
        if (code == 303 && s == "}" && depth >= 2) {
            endLeader();
            depth = 1;
            return;
        }
        if (code == 301 && s == "}") {
            depth = 0;
            return;
        }
        const double d = DxfAtof(s);
        if (depth == 3) {
            if (code == 10)
                leader.lines.back().push_back({d, 0, 0});
            else if (code == 20 && !leader.lines.back().empty())
                leader.lines.back().back().y = d;
        } else if (depth == 2) {
            if (code == 10) {
                leader.last.x = d;
                leader.haveLast = true;
            } else if (code == 20) {
                leader.last.y = d;
            } else if (code == 11) {
                leader.dir.x = d;
                leader.haveDir = true;
            } else if (code == 21) {
                leader.dir.y = d;
            } else if (code == 40) {
                leader.length = d;
            }
        } else if (depth == 1) {
            if (code == 140) contextArrow = d;
        } else if (code == 170) {
            visible = DxfAtoi(s) != 0;
        } else if (code == 291) {
            landing = DxfAtoi(s) != 0;
        } else if (code == 42) {
            entityArrow = d;
        } else {
            DxfStoreCommon(c, code, s);
        }
    });
    if (depth >= 2) endLeader();
    if (!visible) return;
    // Landings are runs of two points; without landings they go.
    std::vector<DXFCOORD> keptPts;
    std::vector<DXFLEADERRUN> keptRuns;
    std::size_t at = 0;
    for (const DXFLEADERRUN& run : runs) {
        const std::size_t n = static_cast<std::size_t>(std::abs(run.nPoints));
        if (run.nPoints > 0 || landing) {
            keptPts.insert(keptPts.end(), pts.begin() + static_cast<long>(at),
                           pts.begin() + static_cast<long>(at + n));
            keptRuns.push_back({static_cast<int>(n), run.bArrow});
        }
        at += n;
    }
    e->dArrowSize = contextArrow > 0 ? contextArrow : entityArrow;
    if (!keptRuns.empty()) StoreLeader(e, keptPts, keptRuns);
}

void ReadMLine(DXFREADER* r, DXFENTITYCOMMON* c, DXFMLINE* e, char* v) {
    std::memset(e, 0, sizeof *e);
    c->wType = DXF_MLINE;
    struct Vertex {
        DXFCOORD at{}, mitre{};
        std::vector<double> offsets; // the first parameter of each element
    };
    std::vector<Vertex> verts;
    int elements = 0;
    bool offsetNext = false; // the next 41 is an element's offset
    Pairs(r, v, [&](int code, std::string_view s) {
        const double d = DxfAtof(s);
        switch (code) {
        case 71:
            e->wFlags = static_cast<WORD>(DxfAtoi(s));
            break;
        case 73:
            elements = DxfAtoi(s);
            break;
        case 11:
            verts.emplace_back();
            verts.back().at.x = d;
            break;
        case 21:
            if (!verts.empty()) verts.back().at.y = d;
            break;
        case 13:
            if (!verts.empty()) verts.back().mitre.x = d;
            break;
        case 23:
            if (!verts.empty()) verts.back().mitre.y = d;
            break;
        case 74:
            if (!verts.empty()) verts.back().offsets.push_back(0);
            offsetNext = DxfAtoi(s) > 0;
            break;
        case 41:
            // The element's first parameter is its offset; the others are
            // the breaks of its line, which are not drawn apart.
            if (offsetNext && !verts.empty() && !verts.back().offsets.empty())
                verts.back().offsets.back() = d;
            offsetNext = false;
            break;
        default:
            DxfStoreCommon(c, code, s);
            break;
        }
    });
    if (elements < 1 || verts.size() < 2) return;
    std::vector<DXFCOORD> pts;
    for (const Vertex& vx : verts)
        for (int k = 0; k < elements; ++k) {
            const double off =
                static_cast<std::size_t>(k) < vx.offsets.size() ? vx.offsets[static_cast<std::size_t>(k)] : 0;
            pts.push_back({vx.at.x + vx.mitre.x * off, vx.at.y + vx.mitre.y * off, vx.at.z});
        }
    e->pPoints = HeapCopy(pts);
    if (!e->pPoints) return;
    e->nVertices = static_cast<int>(verts.size());
    e->nElements = elements;
}

void ReadRay(DXFREADER* r, DXFENTITYCOMMON* c, DXFRAY* e, char* v, WORD type) {
    std::memset(e, 0, sizeof *e);
    c->wType = type;
    Pairs(r, v, [&](int code, std::string_view s) {
        if (!DxfStorePoint(code, s, {&e->ptBase, &e->ptDirection})) DxfStoreCommon(c, code, s);
    });
}

void ReadImage(DXFREADER* r, DXFENTITYCOMMON* c, DXFIMAGE* e, char* v, WORD type) {
    std::memset(e, 0, sizeof *e);
    c->wType = type;
    e->nClipping = 1;
    std::vector<DxfPlanePoint> clip;
    Pairs(r, v, [&](int code, std::string_view s) {
        const double d = DxfAtof(s);
        switch (code) {
        case 13:
            e->dWidth = d;
            break;
        case 23:
            e->dHeight = d;
            break;
        case 14:
            clip.push_back({d, 0});
            break;
        case 24:
            if (!clip.empty()) clip.back().y = d;
            break;
        case 70:
            e->nDisplay = DxfAtoi(s);
            break;
        case 71:
            e->nClipType = DxfAtoi(s);
            break;
        case 280:
            e->nClipping = DxfAtoi(s);
            break;
        default:
            if (!DxfStorePoint(code, s, {&e->ptInsert, &e->ptU, &e->ptV})) DxfStoreCommon(c, code, s);
            break;
        }
    });
    e->pClip = HeapCopy(clip);
    if (e->pClip) e->nClip = static_cast<int>(clip.size());
}

void ReadTable(DXFREADER* r, DXFENTITYCOMMON* c, DXFINSERTENTRY* e, char* v) {
    std::memset(e, 0, offsetof(DXFINSERTENTRY, szBlock));
    e->szBlock[0] = '\0';
    e->dScaleX = e->dScaleY = e->dScaleZ = 1.0;
    e->nColumns = e->nRows = 1;
    c->wType = DXF_INSERT;
    DXFCOORD dir{1, 0, 0};
    Pairs(r, v, [&](int code, std::string_view s) {
        if (code == 2)
            DxfCopyText(e->szBlock, s);
        else if (!DxfStorePoint(code, s, {&e->ptInsert, &dir}))
            DxfStoreCommon(c, code, s);
    });
    e->dRotation = std::atan2(dir.y, dir.x) * 180.0 / 3.14159265358979323846;
}

void ReadMesh(DXFREADER* r, DXFENTITYCOMMON* c, DXFPOLYLINE* e, char* v) {
    std::memset(e, 0, sizeof *e);
    c->wType = DXF_POLYLINE;
    e->wFlags = 64;
    std::vector<DXFVERTEX> points;
    std::vector<int> list;
    enum { kNone, kVertices, kFaces, kRest } part = kNone;
    int faceLeft = 0;
    bool lost = false;
    Pairs(r, v, [&](int code, std::string_view s) {
        try {
            if (code == 92 && part == kNone) {
                part = kVertices;
            } else if (part == kVertices && (code == 10 || code == 20 || code == 30)) {
                if (code == 10) points.push_back(DXFVERTEX{});
                if (points.empty()) return;
                DXFVERTEX& p = points.back();
                (code == 10 ? p.x : code == 20 ? p.y : p.z) = DxfAtof(s);
                p.nFlags = 192;
            } else if (code == 93 && part != kRest) {
                part = kFaces;
                faceLeft = DxfCapCount(r, DxfAtoi(s), 1);
            } else if (code == 90 && part == kFaces) {
                if (faceLeft-- > 0) list.push_back(DxfAtoi(s));
            } else if (code == 94 || code == 95) {
                part = kRest;
            } else if (part != kRest || code < 90 || code > 95) {
                DxfStoreCommon(c, code, s);
            }
        } catch (const std::bad_alloc&) {
            lost = true;
        }
    });
    if (lost || points.empty()) return;
    const long long count = static_cast<long long>(points.size());
    auto number = [&](int index) { return index >= 0 && index < count ? index + 1 : 0; };
    auto face = [&](int a, int b, int c2, int d) {
        DXFVERTEX f{};
        f.nFlags = 128;
        f.nFace[0] = a;
        f.nFace[1] = b;
        f.nFace[2] = c2;
        f.nFace[3] = d;
        points.push_back(f);
    };
    try {
        for (std::size_t i = 0; i < list.size();) {
            const int n = list[i];
            if (n <= 0 || static_cast<std::size_t>(n) > list.size() - i - 1) break;
            const int* idx = &list[i + 1];
            i += static_cast<std::size_t>(n) + 1;
            bool valid = true;
            for (int k = 0; k < n; ++k) valid = valid && number(idx[k]) != 0;
            if (!valid || n < 2) continue;
            if (n <= 4) {
                face(number(idx[0]), number(idx[1]), n > 2 ? number(idx[2]) : 0, n > 3 ? number(idx[3]) : 0);
                continue;
            }
            // A negative number hides the edge that starts at it.
            const int first = number(idx[0]);
            for (int k = 1; k + 1 < n; ++k)
                face(k == 1 ? first : -first, number(idx[k]),
                     k + 2 == n ? number(idx[k + 1]) : -number(idx[k + 1]), 0);
        }
    } catch (const std::bad_alloc&) {
        return;
    }
    e->pVertices = HeapCopy(points);
    if (e->pVertices) e->nVertices = static_cast<int>(points.size());
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

void ReadProxy(DXFREADER* r, DXFENTITYCOMMON* c, DXFPROXYENTRY* e, char* v) {
    e->pGraphics = nullptr;
    e->cbGraphics = 0;
    c->wType = DXF_PROXY;
    std::vector<unsigned char> bytes;
    long long size = -1;
    Pairs(r, v, [&](int code, std::string_view s) {
        if ((code == 92 || code == 160) && size < 0) {
            // No more bytes than the hex digits left in the file can give.
            const long long rest = static_cast<long long>(r->dwFileSize) - r->dwPos;
            size = std::clamp<long long>(std::strtoll(std::string(s).c_str(), nullptr, 10), 0, rest / 2 + 1);
        } else if (code == 310 && size > 0) {
            for (std::size_t i = 0; i + 1 < s.size() && static_cast<long long>(bytes.size()) < size; i += 2) {
                const int hi = HexDigit(s[i]), lo = HexDigit(s[i + 1]);
                if (hi < 0 || lo < 0) break;
                bytes.push_back(static_cast<unsigned char>(hi * 16 + lo));
            }
        } else {
            DxfStoreCommon(c, code, s);
        }
    });
    e->pGraphics = HeapCopy(bytes);
    if (e->pGraphics) e->cbGraphics = static_cast<int>(bytes.size());
}

} // namespace

bool DxfReadLineEntity(DXFREADER* r, DXFENTITYCOMMON* c, void* pData, char* v) {
    auto* d = static_cast<DXFENTITYENTRY*>(pData);
    const std::string_view name(v);
    if (name == "LEADER") return ReadLeader(r, c, &d->leader, v), true;
    if (name == "MULTILEADER" || name == "MLEADER") return ReadMLeader(r, c, &d->leader.leader, v), true;
    if (name == "MLINE") return ReadMLine(r, c, &d->mline, v), true;
    if (name == "RAY") return ReadRay(r, c, &d->ray, v, DXF_RAY), true;
    if (name == "XLINE") return ReadRay(r, c, &d->ray, v, DXF_XLINE), true;
    if (name == "IMAGE") return ReadImage(r, c, &d->image, v, DXF_IMAGE), true;
    if (name == "WIPEOUT") return ReadImage(r, c, &d->image, v, DXF_WIPEOUT), true;
    if (name == "ACAD_TABLE") return ReadTable(r, c, &d->insert, v), true;
    if (name == "MESH") return ReadMesh(r, c, &d->polyline, v), true;
    if (name == "ACAD_PROXY_ENTITY") return ReadProxy(r, c, &d->proxy, v), true;
    return false;
}
