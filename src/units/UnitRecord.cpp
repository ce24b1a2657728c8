#include "units/UnitRecord.h"

#include "scene/DataObject.h"
#include "units/CKxDrawUConnector.h"
#include "units/CKxDrawUImage.h"
#include "units/CKxDrawULinkBoard.h"
#include "units/CKxDrawUPrimitive.h"
#include "units/CKxDrawUScatterGraph.h"
#include "units/CKxDrawUSurfaceR.h"
#include "units/CKxDrawUText.h"
#include "units/CKxDrawUTopoMap.h"
#include "units/CKxDrawUVolumeR.h"

#include <array>
#include <tuple>
#include <type_traits>
#include <utility>

namespace velmor {

namespace {

// A field is kept as a value; arrays as std::array, so that they copy and
// compare like the rest.
template <typename T> struct Kept {
    using type = T;
};
template <typename T, size_t N> struct Kept<T[N]> {
    using type = std::array<typename Kept<T>::type, N>;
};
template <typename Refs> struct KeptValues;
template <typename... T> struct KeptValues<std::tuple<T&...>> {
    using type = std::tuple<typename Kept<std::remove_const_t<T>>::type...>;
};

template <typename A, typename B> constexpr size_t ExtentOf()
{
    return std::is_array_v<A> ? std::extent_v<A> : std::extent_v<B>;
}

template <typename A, typename B> void Put(A& to, const B& from)
{
    if constexpr (std::is_array_v<A> || std::is_array_v<B>) {
        for (size_t i = 0; i < ExtentOf<A, B>(); ++i) Put(to[i], from[i]);
    } else {
        to = from;
    }
}

template <typename A, typename B> bool Same(const A& a, const B& b)
{
    if constexpr (std::is_array_v<A> || std::is_array_v<B>) {
        for (size_t i = 0; i < ExtentOf<A, B>(); ++i)
            if (!Same(a[i], b[i])) return false;
        return true;
    } else {
        return a == b;
    }
}

// `f` on the fields of `a` and `b` pairwise.
template <typename A, typename B, typename F> void EachPair(A& a, B& b, F f)
{
    [&]<size_t... I>(std::index_sequence<I...>) { (f(std::get<I>(a), std::get<I>(b)), ...); }(
        std::make_index_sequence<std::tuple_size_v<std::remove_const_t<A>>>{});
}

auto MeshFields(CKxDrawUTriangles& u)
{
    return std::tie(u.innerDraw, u.translucentClip, u.translucentType, u.translucentOpacity, u.pitch,
                    u.colorTable, u.colorTableLow, u.colorTableUp);
}

DataObject* DataOf(CKxDrawUnit& unit)
{
    if (auto* volume = dynamic_cast<CKxDrawUVolumeR*>(&unit)) return volume->volumeData;
    if (auto* mesh = dynamic_cast<CKxDrawUTriangles*>(&unit)) return mesh->data;
    return nullptr;
}

} // namespace

template <typename Owner, typename Fields>
UnitRecord::Part UnitRecord::Keep(Owner& owner, Fields fields)
{
    const auto refs = fields(owner);
    typename KeptValues<std::remove_const_t<decltype(refs)>>::type values;
    EachPair(values, refs, [](auto& to, auto& from) { Put(to, from); });
    return {[refs, values] {
                bool same = true;
                EachPair(refs, values, [&same](auto& a, auto& b) { same = same && Same(a, b); });
                return same;
            },
            [refs, values] { EachPair(refs, values, [](auto& to, auto& from) { Put(to, from); }); }};
}

// The kind's own fields, where the unit is of that class: a kind is a
// promise of the class, which is checked rather than taken.
template <typename Owner, typename Fields>
void UnitRecord::KeepAs(CKxDrawUnit& unit, Fields fields)
{
    if (auto* owner = dynamic_cast<Owner*>(&unit)) m_parts.push_back(Keep(*owner, fields));
}

UnitRecord::UnitRecord(CKxDrawUnit& unit)
{
    m_parts.push_back(Keep(unit, [](CKxDrawUnit& u) {
        return std::tie(u.material.ambient, u.material.diffuse, u.material.specular, u.material.shininess,
                        u.lengthUnit);
    }));
    switch (unit.Kind()) {
    case UnitKind::kPrimitive:
        KeepAs<CKxDrawUPrimitive>(unit, [](CKxDrawUPrimitive& u) {
            return std::tie(u.pixelSize, u.filled, u.marker, u.shape, u.rot, u.points, u.size, u.parameter);
        });
        break;
    case UnitKind::kText:
        KeepAs<CKxDrawUText>(unit, [](CKxDrawUText& u) {
            return std::tie(u.mode, u.text, u.fontName, u.bold, u.italic, u.coordinate, u.fixPoint, u.fontSize,
                            u.textScale, u.rot);
        });
        break;
    case UnitKind::kImage:
        KeepAs<CKxDrawUImage>(unit, [](CKxDrawUImage& u) {
            return std::tie(u.shape, u.facing, u.size, u.position, u.rotation, u.divide);
        });
        break;
    case UnitKind::kLinkBoard:
        KeepAs<CKxDrawULinkBoard>(unit, [](CKxDrawULinkBoard& u) {
            return std::tie(u.width, u.height, u.coordinate, u.rot);
        });
        break;
    case UnitKind::kConnector:
        KeepAs<CKxDrawUConnector>(unit, [](CKxDrawUConnector& u) {
            return std::tie(u.shape, u.pixelSize, u.radius, u.coordinate, u.fixPoint);
        });
        break;
    case UnitKind::kTopoMap:
        KeepAs<CKxDrawUTopoMap>(unit, [](CKxDrawUTopoMap& u) { return std::tie(u.extent); });
        break;
    case UnitKind::kScatterGraph:
        KeepAs<CKxDrawUScatterGraph>(unit, [](CKxDrawUScatterGraph& u) {
            return std::tie(u.markerShape, u.markerSize, u.markerParameter);
        });
        break;
    case UnitKind::kSurface:
        KeepAs<CKxDrawUSurfaceR>(unit, [](CKxDrawUSurfaceR& u) {
            return std::tie(u.borderLow, u.borderUp, u.previousBorderLow, u.previousBorderUp);
        });
        [[fallthrough]];
    case UnitKind::kTriangles:
    case UnitKind::kTriIndex:
    case UnitKind::kPointCloud:
    case UnitKind::kStl: KeepAs<CKxDrawUTriangles>(unit, MeshFields); break;
    case UnitKind::kVolume:
        KeepAs<CKxDrawUVolumeR>(unit, [](CKxDrawUVolumeR& u) {
            return std::tie(u.brightnessA, u.contrastA, u.brightnessB, u.contrastB, u.rangeLow,
                            u.rangeHigh, u.pitch);
        });
        break;
    case UnitKind::kPlain: break;
    }
    // The data preference of a dialog rescales the data the unit shows.
    if (DataObject* data = DataOf(unit)) {
        m_parts.push_back(Keep(*data, [](DataObject& d) {
            return std::tie(d.voxelPitch.loadedPitch, d.voxelPitch.pitch, d.voxelPitch.unit, d.coordinateScale.scale,
                            d.coordinateScale.unit);
        }));
    }
}

bool UnitRecord::Unchanged() const
{
    for (const Part& part : m_parts)
        if (!part.unchanged()) return false;
    return true;
}

void UnitRecord::Restore() const
{
    for (const Part& part : m_parts) part.restore();
}

} // namespace velmor
