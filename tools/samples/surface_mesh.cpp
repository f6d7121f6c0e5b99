#include "tools/samples/surface_mesh.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

namespace velmora {
inline namespace samples {

namespace {

struct Rect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
};

// Texels no part covers: a colour no costume uses, so that a mapping that
// strays shows at once.
constexpr Color kUnusedTexel{1.0, 0.0, 1.0};

// The name of the same bone on the other side: the first "Right" in name
// becomes "Left", or else the first "Left" becomes "Right"; a bone of the
// middle keeps its name.
std::string exchangeSides(const std::string& name) {
    const auto swap = [&](const std::string& from, const std::string& to) -> std::string {
        const std::size_t at = name.find(from);
        return at == std::string::npos ? std::string()
                                       : name.substr(0, at) + to + name.substr(at + from.size());
    };
    const std::string left = swap("Right", "Left");
    if (!left.empty()) {
        return left;
    }
    const std::string right = swap("Left", "Right");
    return right.empty() ? name : right;
}

int findPart(const std::vector<Part>& parts, const std::string& name, std::size_t before) {
    for (std::size_t i = 0; i < before; ++i) {
        if (parts[i].name == name && parts[i].mirrorOf.empty()) {
            return static_cast<int>(i);
        }
    }
    throw std::logic_error("part \"" + name + "\" is not defined before its mirror image");
}

// Shelf packing in the order of the parts: fill a row left to right, start a
// new row below the tallest rectangle of the previous one.
std::vector<Rect> placeRectangles(const std::vector<Part>& parts, int side) {
    std::vector<Rect> places(parts.size());
    int x = 0;
    int y = 0;
    int rowHeight = 0;
    for (std::size_t i = 0; i < parts.size(); ++i) {
        const Part& part = parts[i];
        if (!part.mirrorOf.empty()) {
            places[i] = places[findPart(parts, part.mirrorOf, i)];
            continue;
        }
        if (x + part.textureWidth > side) {
            x = 0;
            y += rowHeight;
            rowHeight = 0;
        }
        if (part.textureWidth < 2 || part.textureHeight < 2 || x + part.textureWidth > side ||
            y + part.textureHeight > side) {
            throw std::logic_error("part \"" + part.name + "\" does not fit the texture");
        }
        places[i] = {x, y, part.textureWidth, part.textureHeight};
        x += part.textureWidth;
        rowHeight = std::max(rowHeight, part.textureHeight);
    }
    return places;
}

double wrapOrClamp(double value, bool periodic) {
    return periodic ? value - std::floor(value) : clamp(value, 0.0, 1.0);
}

Vector3 pointOf(const Part& part, double s, double a) {
    return part.shape(wrapOrClamp(s, part.periodicAlong), wrapOrClamp(a, part.periodicAround));
}

// The unoriented surface normal by central differences; near a pole, where the
// derivative along a vanishes, it is taken a little way into the surface.
Vector3 rawNormal(const Part& part, double s, double a) {
    const double step = 1e-4;
    for (double inset : {0.0, 0.002, 0.01, 0.03}) {
        const double si = part.periodicAlong ? s : clamp(s, inset, 1 - inset);
        const Vector3 alongS = pointOf(part, si + step, a) - pointOf(part, si - step, a);
        const Vector3 aroundA = pointOf(part, si, a + step) - pointOf(part, si, a - step);
        const Vector3 n = Geometry::cross(alongS, aroundA);
        if (length(n) > 1e-14) {
            return Geometry::normalize(n);
        }
    }
    return kUp;
}

// +1 or -1: the sign that makes rawNormal point away from the part's centre on
// the whole.
double normalSign(const Part& part) {
    const int samples = 24;
    Vector3 centre;
    for (int i = 0; i < samples; ++i) {
        for (int j = 0; j < samples; ++j) {
            centre = centre + (1.0 / (samples * samples)) *
                                  pointOf(part, (i + 0.5) / samples, (j + 0.5) / samples);
        }
    }
    double outward = 0;
    for (int i = 0; i < samples; ++i) {
        for (int j = 0; j < samples; ++j) {
            const double s = (i + 0.5) / samples;
            const double a = (j + 0.5) / samples;
            outward += dot(rawNormal(part, s, a), pointOf(part, s, a) - centre);
        }
    }
    return outward < 0 ? -1.0 : 1.0;
}

uint8_t toByte(double value) {
    return static_cast<uint8_t>(std::lround(clamp(value, 0.0, 1.0) * 255.0));
}

void paintPart(const Part& part, const Rect& place, const Painter& paint, Image& image) {
    const double sign = normalSign(part);
    // Four samples per texel, a quarter texel from its centre, smooth the edges
    // of painted shapes.
    const double offsets[2] = {-0.25, 0.25};
    for (int row = 0; row < place.height; ++row) {
        for (int column = 0; column < place.width; ++column) {
            // The light varies slowly: one normal per texel serves its samples.
            const Vector3 normal =
                sign * rawNormal(part, static_cast<double>(row) / (place.height - 1),
                                 static_cast<double>(column) / (place.width - 1));
            Color sum;
            for (double rowOffset : offsets) {
                for (double columnOffset : offsets) {
                    PaintSample sample;
                    sample.region = part.region;
                    sample.s =
                        wrapOrClamp((row + rowOffset) / (place.height - 1), part.periodicAlong);
                    sample.a = wrapOrClamp((column + columnOffset) / (place.width - 1),
                                           part.periodicAround);
                    sample.position = part.shape(sample.s, sample.a);
                    sample.normal = normal;
                    sum = sum + lit(paint(sample), sample.normal) * 0.25;
                }
            }
            uint8_t* texel = &image.pixels[(static_cast<std::size_t>(place.y + row) * image.width +
                                            place.x + column) *
                                           3];
            texel[0] = toByte(sum.r);
            texel[1] = toByte(sum.g);
            texel[2] = toByte(sum.b);
        }
    }
}

bool collapses(const Part& part, double s) {
    const Vector3 first = part.shape(s, 0.0);
    for (int j = 1; j <= 8; ++j) {
        if (length(part.shape(s, j / 8.0) - first) > 1e-9) {
            return false;
        }
    }
    return true;
}

void addVertex(const Part& part, double s, double a, const Rig& rig, Model& model) {
    const Vector3 rest = part.shape(s, a);
    const std::vector<BoneWeight> influences = part.weights(rest, s, a).influences();
    model.influenceCounts.push_back(static_cast<uint8_t>(influences.size()));
    for (const BoneWeight& influence : influences) {
        SkinInfluence entry;
        entry.bone = static_cast<uint8_t>(influence.bone);
        entry.weight = influence.weight;
        entry.offset = rest - rig.bone(influence.bone).joint;
        model.influences.push_back(entry);
    }
}

void addPart(const Part& part, const Rect& place, int side, const Rig& rig, Model& model) {
    const int rows = part.rings + 1;
    const int columns = part.segments + 1;
    const bool mirroredTexels = !part.mirrorOf.empty();
    // Mapping coordinates: one per grid point, seams included.
    const int firstMapping = static_cast<int>(model.mappingCoords.size());
    for (int i = 0; i < rows; ++i) {
        for (int j = 0; j < columns; ++j) {
            const double a = static_cast<double>(j) / part.segments;
            const double s = static_cast<double>(i) / part.rings;
            const double textureA = mirroredTexels ? 1.0 - a : a;
            model.mappingCoords.push_back({(place.x + 0.5 + textureA * (place.width - 1)) / side,
                                           (place.y + 0.5 + s * (place.height - 1)) / side});
        }
    }
    // Vertices: shared across the closing seams, one per pole.
    const int distinctRows = part.periodicAlong ? part.rings : rows;
    const int distinctColumns = part.periodicAround ? part.segments : columns;
    std::vector<std::vector<int>> vertex(distinctRows, std::vector<int>(distinctColumns));
    for (int i = 0; i < distinctRows; ++i) {
        const double s = static_cast<double>(i) / part.rings;
        const bool pole = !part.periodicAlong && (i == 0 || i == rows - 1) && collapses(part, s);
        for (int j = 0; j < distinctColumns; ++j) {
            if (pole && j > 0) {
                vertex[i][j] = vertex[i][0];
                continue;
            }
            vertex[i][j] = static_cast<int>(model.vertexCount());
            addVertex(part, s, static_cast<double>(j) / part.segments, rig, model);
        }
    }
    const auto vertexAt = [&](int i, int j) {
        return vertex[i % distinctRows][j % distinctColumns];
    };
    const auto mappingAt = [&](int i, int j) { return firstMapping + i * columns + j; };
    const auto addTriangle = [&](int i0, int j0, int i1, int j1, int i2, int j2) {
        Face face;
        const int corners[3][2] = {{i0, j0}, {i1, j1}, {i2, j2}};
        for (int k = 0; k < 3; ++k) {
            face.vertexIndex[k] = vertexAt(corners[k][0], corners[k][1]);
            face.mappingIndex[k] = mappingAt(corners[k][0], corners[k][1]);
        }
        if (face.vertexIndex[0] != face.vertexIndex[1] &&
            face.vertexIndex[1] != face.vertexIndex[2] &&
            face.vertexIndex[2] != face.vertexIndex[0]) {
            model.faces.push_back(face);
        }
    };
    for (int i = 0; i < part.rings; ++i) {
        for (int j = 0; j < part.segments; ++j) {
            addTriangle(i, j, i + 1, j, i + 1, j + 1);
            addTriangle(i, j, i + 1, j + 1, i, j + 1);
        }
    }
}

}  // namespace

Part makePart(const std::string& name, int region, SurfaceShape shape, int rings, int segments,
              int textureWidth, int textureHeight, WeightRule weights) {
    Part part;
    part.name = name;
    part.region = region;
    part.shape = std::move(shape);
    part.rings = rings;
    part.segments = segments;
    part.textureWidth = textureWidth;
    part.textureHeight = textureHeight;
    part.weights = std::move(weights);
    return part;
}

WeightRule rigidTo(int bone) {
    return [bone](const Vector3&, double, double) { return Weights(bone); };
}

Part mirrored(const Part& part, const std::string& name, const Rig& rig) {
    Part image = part;
    image.name = name;
    image.mirrorOf = part.name;
    const SurfaceShape shape = part.shape;
    image.shape = [shape](double s, double a) { return mirrorX(shape(s, 1.0 - a)); };
    const WeightRule weights = part.weights;
    std::vector<int> otherSide(rig.size());
    for (int bone = 0; bone < rig.size(); ++bone) {
        otherSide[bone] = rig.index(exchangeSides(rig.bone(bone).name));
    }
    image.weights = [weights, otherSide](const Vector3& rest, double s, double a) {
        Weights result;
        for (const BoneWeight& entry : weights(mirrorX(rest), s, 1.0 - a).influences()) {
            result.add(otherSide[entry.bone], entry.weight);
        }
        return result;
    };
    return image;
}

Image buildSkin(const std::vector<Part>& parts, const Painter& paint, const Rig& rig,
                int textureSide, Model& model) {
    Image image;
    image.width = image.height = static_cast<uint32_t>(textureSide);
    image.channels = 3;
    image.pixels.resize(static_cast<std::size_t>(textureSide) * textureSide * 3);
    for (std::size_t i = 0; i < image.pixels.size(); i += 3) {
        image.pixels[i] = toByte(kUnusedTexel.r);
        image.pixels[i + 1] = toByte(kUnusedTexel.g);
        image.pixels[i + 2] = toByte(kUnusedTexel.b);
    }
    const std::vector<Rect> places = placeRectangles(parts, textureSide);
    for (std::size_t i = 0; i < parts.size(); ++i) {
        if (parts[i].mirrorOf.empty()) {
            paintPart(parts[i], places[i], paint, image);
        }
        addPart(parts[i], places[i], textureSide, rig, model);
    }
    return image;
}

}  // namespace samples
}  // namespace velmora
