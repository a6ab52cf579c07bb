#include "dxf_test_util.h"

#include "test_support.h"

#include <cfloat>
#include <cstring>
#include <gtest/gtest.h>

namespace dxftest {

std::string Lines(std::string_view pairs, std::string_view eol) {
    std::string out;
    std::size_t start = 0;
    for (;;) {
        const std::size_t bar = pairs.find('|', start);
        out.append(pairs.substr(start, bar == std::string_view::npos ? std::string_view::npos : bar - start));
        out.append(eol);
        if (bar == std::string_view::npos) break;
        start = bar + 1;
    }
    return out;
}

std::string Entities(std::string_view body, std::string_view eol) {
    return Lines("0|SECTION|2|ENTITIES|" + std::string(body) + "|0|ENDSEC|0|EOF", eol);
}

std::string Sections(std::string_view tables, std::string_view blocks, std::string_view entities) {
    std::string s(tables);
    if (!blocks.empty()) s += "0|SECTION|2|BLOCKS|" + std::string(blocks) + "|0|ENDSEC|";
    return Lines(s + "0|SECTION|2|ENTITIES|" + std::string(entities) + "|0|ENDSEC|0|EOF");
}

Drawing::Drawing(std::string_view text, bool throughFile) {
    h = DxfCreateDrawing();
    if (!h) return;
    if (throughFile) {
        test::TempDir dir;
        const std::string path = dir.File("d.dxf");
        test::WriteFile(path, text);
        CFile file;
        if (file.Open(CString(path), CFile::modeRead)) loaded = DxfLoadFile(h, DxfSource::File(&file));
    } else {
        loaded = DxfLoadFile(h, DxfSource::Memory(text.data(), text.size()));
    }
    m_d = static_cast<DXFDRAWING*>(GlobalLock(h));
}

Drawing::~Drawing() {
    if (m_d) GlobalUnlock(h);
    if (h) {
        EXPECT_TRUE(DxfDestroyDrawing(h));
    }
}

std::vector<Entity> Drawing::List(DWORD blockId) const {
    std::vector<Entity> out;
    const DXFENTITYLIST* list = &m_d->entities;
    if (blockId) {
        const DXFBLOCK* b = DxfBlockById(m_d, blockId);
        if (!b) return out;
        list = &b->list;
    }
    DxfForEachEntity(*list, [&](const DXFENTITYHEADER& hdr, const void* data, DWORD) {
        Entity e{};
        e.h = hdr;
        std::memcpy(&e.d, data, DxfEntityDataSize(hdr.wType));
        out.push_back(e);
        return true;
    });
    return out;
}

std::vector<WORD> Drawing::Types(DWORD blockId) const {
    std::vector<WORD> out;
    for (const Entity& e : List(blockId)) out.push_back(e.h.wType);
    return out;
}

Entity Drawing::Only() const {
    const std::vector<Entity> all = List();
    EXPECT_EQ(all.size(), 1u);
    return all.empty() ? Entity{} : all[0];
}

const DXFBLOCK* Drawing::Block(const char* name) const {
    for (DWORD i = 0; i < m_d->nBlocks; ++i)
        if (std::strcmp(m_d->blocks[i].szName, name) == 0) return &m_d->blocks[i];
    return nullptr;
}

const DXFLAYER* Drawing::Layer(const char* name) const {
    for (DWORD i = 0; i < m_d->nLayers; ++i)
        if (std::strcmp(m_d->layers[i].szName, name) == 0) return &m_d->layers[i];
    return nullptr;
}

COLORREF Picture::At(int x, int y) const {
    return ColourFromPixel(image.pixel(x, y));
}

int Picture::Drawn() const {
    return DrawnWhere([](int, int) { return true; });
}

std::vector<std::vector<_tagREALPT2>> Picture::Figures() const {
    std::vector<std::vector<_tagREALPT2>> out;
    for (const _tagREALPT2& p : outline) {
        if (p.x == FLT_MAX)
            out.emplace_back();
        else if (!out.empty())
            out.back().push_back(p);
    }
    return out;
}

Picture PaintAt(const Drawing& d, int w, int h, double pixelsPerUnit, double xorg, double yorg,
                bool withOutline) {
    Picture pic;
    if (!d.h || !d.get()) return pic;
    DxfSetView(d.h, 0, 0, w, h, Picture::kBackground);
    d->dZoom = pixelsPerUnit / d->dUnit;
    d->dXorg = xorg;
    d->dYorg = yorg;
    test::Canvas canvas(w, h);
    DXFOUTLINE outline;
    pic.painted = DxfPaint(d.h, &canvas.dc, withOutline ? &outline : nullptr);
    pic.image = canvas.Image();
    pic.outline.assign(outline.begin(), outline.end());
    return pic;
}

HandleCheck::HandleCheck() : m_live(global_memory_testing::LiveBlocks()) {}
HandleCheck::~HandleCheck() {
    EXPECT_EQ(global_memory_testing::LiveBlocks(), m_live) << "relocatable blocks left alive";
}

} // namespace dxftest
