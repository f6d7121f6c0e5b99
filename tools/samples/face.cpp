#include "tools/samples/face.h"

#include <cmath>

#include "tools/samples/body.h"

namespace velmora {
inline namespace samples {

namespace {

constexpr Color kEyeWhite = hexColor(0xf4f1ec);
constexpr Color kPupil = hexColor(0x120d0c);
constexpr Color kLashes = hexColor(0x1c1412);

// Paints one eye at (cx, cy) on the face, in head units; x is mirrored so both
// eyes look the same way.
Color paintEye(Color base, double x, double y, double cx, double cy, const FaceStyle& style) {
    const double width = style.feminine ? 0.72 : 0.62;
    const double height = style.feminine ? 0.5 : 0.38;
    const double white = ellipse(x, y, cx, cy, width, height, 0.12);
    if (white <= 0) {
        // The upper lid's crease, faint, a little above the eye.
        const double crease = ellipse(x, y, cx, cy + 0.22, width * 1.05, height * 1.1, 0.1) *
                              (1 - ellipse(x, y, cx, cy + 0.1, width * 1.05, height * 1.1, 0.1));
        return lerp(base, base * 0.8, 0.6 * crease);
    }
    Color eye = kEyeWhite;
    const double irisRadius = height * (style.feminine ? 0.92 : 0.95);
    eye = lerp(eye, style.iris, ellipse(x, y, cx, cy - 0.02, irisRadius, irisRadius, 0.12));
    eye = lerp(eye, style.iris * 0.55,
               ellipse(x, y, cx, cy + 0.08, irisRadius * 0.9, irisRadius * 0.55, 0.3) * 0.6);
    eye =
        lerp(eye, kPupil, ellipse(x, y, cx, cy - 0.02, irisRadius * 0.45, irisRadius * 0.45, 0.15));
    eye = lerp(eye, kEyeWhite,
               ellipse(x, y, cx + 0.12, cy + 0.1, irisRadius * 0.22, irisRadius * 0.22, 0.2));
    eye = lerp(base, eye, white);
    // Upper lid: a dark line along the top of the eye, lashes for the girls.
    const double lidCentre = cy + height * 0.85;
    const double lidWidth = style.feminine ? 0.11 : 0.07;
    const double lid =
        band(y, lidCentre - 0.35 * ((x - cx) / width) * ((x - cx) / width), lidWidth, 0.06) *
        (1 - smoothstep(width * 0.95, width * 1.15, std::fabs(x - cx)));
    return lerp(eye, kLashes, lid);
}

}  // namespace

Color paintHead(const PaintSample& sample, const FaceStyle& style) {
    const Vector3 local = sample.position - headCentre();
    const double x = std::fabs(local.x);
    const double y = local.y;
    const Vector3 unit = Geometry::normalize({local.x / 4.4, local.y / 5.5, local.z / 5.0});
    Color color = style.skin;

    // Hair painted on the scalp: the hairline runs from the forehead down to
    // the nape, lower at the sides and back than at the front.
    const double backness = smoothstep(-0.7, 0.5, unit.z);
    const double hairline = lerp(style.hairlineFront, style.hairlineBack, backness);
    double hair = smoothstep(hairline - 0.03, hairline + 0.03, unit.y);
    // Sideburns: a strip in front of the ears.
    if (style.sideburns < 1) {
        const double strip = smoothstep(0.72, 0.8, std::fabs(unit.x)) *
                             band(unit.z, -0.1, 0.15, 0.06) *
                             smoothstep(style.sideburns - 0.04, style.sideburns + 0.04, unit.y);
        hair = std::max(hair, strip);
    }
    if (style.stubble > 0) {
        const double jaw = smoothstep(-0.25, -0.5, unit.y) * smoothstep(0.2, -0.4, unit.z);
        color = lerp(color, color * 0.78, style.stubble * jaw);
    }
    color = lerp(color, style.hair, hair);

    if (local.z > -2.0) {
        return color;
    }
    // Face features, in head units measured from the head's centre.
    color = paintEye(color, x, y, 1.45, 0.28, style);
    // Brows: arcs above the eyes, thicker in the middle.
    const double browCentre = 1.2 + 0.18 * (1 - ((x - 1.45) / 0.9) * ((x - 1.45) / 0.9));
    const double brow =
        band(y, browCentre, style.feminine ? 0.09 : 0.14, 0.08) * band(x, 1.45, 0.85, 0.25);
    color = lerp(color, style.brows, brow);
    // Nostrils and the shadow under the nose.
    color = lerp(color, color * 0.6, ellipse(x, y, 0.32, -1.1, 0.17, 0.1, 0.4));
    // Mouth: lips and the line between them, curving up into a slight smile.
    const double mouthY = -2.6 + 0.14 * (x / 0.95) * (x / 0.95);
    const double lips =
        ellipse(x, y, 0.0, -2.62, style.feminine ? 0.85 : 0.9, style.feminine ? 0.3 : 0.2, 0.25);
    color = lerp(color, style.lips, lips * (style.feminine ? 0.9 : 0.45));
    color = lerp(color, hexColor(0x5a2422), band(y, mouthY, 0.05, 0.05) * band(x, 0.0, 0.85, 0.2));
    if (style.blush > 0) {
        color =
            lerp(color, hexColor(0xf08c8c), style.blush * ellipse(x, y, 2.3, -1.2, 0.8, 0.5, 0.8));
    }
    if (style.moustache > 0) {
        const double top = -1.65 - 0.25 * (x / 1.6) * (x / 1.6);
        const double moustache = band(y, top - 0.25, 0.25, 0.12) * band(x, 0.0, 1.35, 0.3);
        color = lerp(color, style.hair, style.moustache * moustache);
    }
    return color;
}

}  // namespace samples
}  // namespace velmora
