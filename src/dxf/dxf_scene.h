// What drawing a drawing and measuring it share: which entities show, with
// which colour and line type, and the boxes of what they draw.
//
// Properties. An entity's layer is its own, except that inside a block an
// entity on layer "0" (or on none) takes the layer of the INSERT that
// draws it. An entity on a layer that is off (negative colour) or frozen
// (flag 1) does not show; an INSERT on a frozen layer shows nothing of its
// block, one on a layer that is off still shows the parts of its block
// that are on other layers. Colour 256 (BYLAYER) is the layer's colour,
// colour 0 (BYBLOCK) the colour of the INSERT that draws the entity (at
// the top, where no INSERT is, the layer's). A line type that is not given
// or named BYLAYER is the layer's, one named BYBLOCK the INSERT's.
#pragma once

#include "dxf/dxf_drawing.h"
#include "dxf/dxf_transform.h"

namespace dxf_scene {

// What an INSERT hands to the entities of its block.
struct Inherit {
    DWORD layer = 0;    // for entities on layer "0"; 0 at the top
    int colour = -1;    // for BYBLOCK colours; -1 at the top
    DWORD lineType = 0; // for BYBLOCK line types
};

struct Style {
    const DXFLAYER* layer = nullptr; // after layer-0 inheritance; NULL when not found
    bool shown = true;               // not on a layer that is off or frozen
    bool frozen = false;
    int colour = 0;                     // 0..255
    const DXFLTYPE* lineType = nullptr; // the resolved line type, NULL for none
};

class Resolver {
public:
    explicit Resolver(const DXFDRAWING& d);
    Style Resolve(const DXFENTITYHEADER& h, const Inherit& in) const;
    // What an INSERT with this style hands to its block.
    static Inherit ForBlock(const Style& insert);

private:
    const DXFDRAWING& m_d;
    DWORD m_layer0 = 0, m_byLayer = 0, m_byBlock = 0;
};

// A box in world units that may be unbounded (a coordinate that is not a
// number or infinite made it so).
struct Box {
    double minX = 0, minY = 0, maxX = 0, maxY = 0;
    bool any = false;
    bool unbounded = false;

    void Add(double x, double y) {
        if (!std::isfinite(x) || !std::isfinite(y)) {
            unbounded = true;
            return;
        }
        if (!any) {
            minX = maxX = x;
            minY = maxY = y;
            any = true;
            return;
        }
        minX = std::fmin(minX, x);
        maxX = std::fmax(maxX, x);
        minY = std::fmin(minY, y);
        maxY = std::fmax(maxY, y);
    }
    void Add(const Box& b) {
        if (b.unbounded) unbounded = true;
        if (!b.any) return;
        Add(b.minX, b.minY);
        Add(b.maxX, b.maxY);
    }
    // b's corners placed by t.
    void AddPlaced(const Box& b, const DxfTransform& t);
    bool Holds(const Box& b) const {
        return any && !unbounded && b.any && !b.unbounded && b.minX >= minX && b.maxX <= maxX &&
               b.minY >= minY && b.maxY <= maxY;
    }
};

// The boxes of what entities draw. Exact boxes follow curves to their
// extremes (arcs, ellipses, evaluated splines); the others may be larger
// (a spline's control points), which is what the culling of drawing
// needs, cheaply.
class Bounds {
public:
    Bounds(const DXFDRAWING& d, bool exact);
    ~Bounds();
    Bounds(const Bounds&) = delete;
    Bounds& operator=(const Bounds&) = delete;

    // Adds what the entity draws (nothing when it does not show) placed by t.
    void Add(Box& box, const DXFENTITYHEADER& h, const void* data, const DxfTransform& t, const Inherit& in);
    // What the block's entities draw, in its own coordinates (made once).
    const Box& BlockContents(const DXFBLOCK& block);

    const Resolver& Properties() const { return m_props; }

private:
    struct Impl;
    Impl* m_impl;
    Resolver m_props;
};

// The transform of one entity within t: its object coordinates for the
// types that have them (not for INSERT, whose placement holds them).
DxfTransform EntityTransform(const DXFENTITYHEADER& h, const void* data, const DxfTransform& t);

// The elevation (z) an entity's object coordinates stand at.
double Elevation(const DXFENTITYHEADER& h, const void* data);

} // namespace dxf_scene
