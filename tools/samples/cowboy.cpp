// "Cowboy": a wide-brimmed hat, a red plaid shirt under a brown leather vest,
// a neckerchief, jeans with a big-buckled belt and tall boots. His own
// animation swings a lasso over his head.

#include <cmath>

#include "tools/samples/costume.h"
#include "tools/samples/figure.h"

namespace velmora {
inline namespace samples {

namespace {

enum Region {
    kHatRegion = kFirstCostumeRegion,
    kBrimRegion,
    kKerchiefRegion,
    kLassoRegion,
};

constexpr Color kSkin = hexColor(0xcf9468);
constexpr Color kHair = hexColor(0x5a3a22);
constexpr Color kShirt = hexColor(0xb3342c);
constexpr Color kVest = hexColor(0x5e3b22);
constexpr Color kDenim = hexColor(0x3a5788);
constexpr Color kBoot = hexColor(0x7a4a26);
constexpr Color kBrass = hexColor(0xd6b25a);
constexpr Color kHat = hexColor(0x8a5e38);
constexpr Color kKerchief = hexColor(0xb21f24);

Color plaid(const PaintSample& sample) {
    // Checks from the rest position: darker stripes across and along.
    const Vector3& p = sample.position;
    const double across = band(std::fmod(std::fabs(p.x) + 10.0, 2.2), 1.1, 0.28, 0.12);
    const double along = band(std::fmod(p.y + 40.0, 2.2), 1.1, 0.28, 0.12);
    Color color = kShirt;
    color = lerp(color, kShirt * 0.55, 0.55 * across);
    color = lerp(color, kShirt * 0.55, 0.55 * along);
    return lerp(color, hexColor(0xe8d7b0), 0.5 * band(std::fmod(p.y + 40.0, 2.2), 0.2, 0.06, 0.05));
}

Color paintTrunk(const PaintSample& sample) {
    const Vector3& p = sample.position;
    const double h = heightAboveFloor(p);
    const double x = std::fabs(p.x);
    if (h < 45.8) {
        return kDenim;
    }
    if (h < 47.4) {
        const double buckle = ellipse(p.x, h, 0.0, 46.6, 1.5, 1.0, 0.15) * (p.z < 0 ? 1 : 0);
        return lerp(hexColor(0x3b2416), kBrass, buckle);
    }
    if (h > 62.2) {
        return kSkin;
    }
    if (h > 60.6) {
        // The neckerchief's band round the neck.
        return kKerchief;
    }
    // The vest covers all but a V down the front; the shirt shows there, the
    // neckerchief at the throat.
    const double opening = 0.5 + 0.22 * (h - 47.4);
    if (p.z < 0 && x < opening && h > 48.0) {
        if (h > 57.0 && x < 1.7 + 0.45 * (h - 57.0)) {
            return h > 60.3 ? kSkin : kKerchief;
        }
        return plaid(sample);
    }
    if (x > 7.0 && h > 53.0) {
        // Arm holes of the vest.
        return plaid(sample);
    }
    Color color = kVest;
    color = lerp(color, kVest * 0.6, band(x, opening + 0.2, 0.08, 0.06) * (p.z < 0 ? 1 : 0));
    return color;
}

Color paintLeg(const PaintSample& sample) {
    const double h = heightAboveFloor(sample.position);
    if (h < 15.0) {
        // Boot shaft with a stitched pattern.
        const double stitch =
            band(std::fabs(sample.position.x - (sample.position.x > 0 ? 4.0 : -4.0)) +
                     0.3 * std::sin(h * 1.3),
                 0.9, 0.06, 0.05);
        return lerp(lerp(kBoot, kBoot * 1.25, stitch), kBoot * 0.6, band(h, 14.6, 0.3, 0.1));
    }
    return kDenim;
}

// The hat sits on the head tipped a little back, so the eyes show beneath it; its crown is creased
// down the middle and its brim curls up at the sides.
constexpr double kBrimHeight = 71.2;
constexpr double kCrownHeight = 5.6;
constexpr Vector3 kHatCentre{0.0, kFloorY + kBrimHeight, -0.4};

Quaternion hatTilt() {
    return axisAngle(kRight, radians(4));
}

Vector3 onHat(const Vector3& local) {
    return kHatCentre + rotate(hatTilt(), local);
}

// The lasso hangs coiled from the right hand, held at its top.
Vector3 lassoGrip(const Rig& rig) {
    const Vector3 wrist = rig.joint("handRight");
    const Vector3 fingers = wrist + 3.2 * Geometry::normalize(wrist - rig.joint("forearmRight"));
    return fingers + Vector3(0.1, 0.0, -0.4);
}
constexpr double kLassoRadius = 6.0;

std::vector<Vector3> kerchiefLine() {
    return {{0.0, kFloorY + 61.0, -3.2}, {0.0, kFloorY + 58.6, -5.0}, {0.0, kFloorY + 56.3, -5.6}};
}

void addCostumeBones(Rig& rig) {
    rig.add("hat", "head", kHatCentre);
    rig.add("brimRight", "hat", onHat({5.0, 0.0, 0.0}));
    rig.add("brimLeft", "hat", onHat({-5.0, 0.0, 0.0}));
    rig.add("neckerchief", "chest", kerchiefLine()[0]);
    rig.add("lasso", "handRight", lassoGrip(rig));
}

Part crownPart(const Rig& rig) {
    Tube tube;
    tube.section = [](double t) {
        TubeSection section;
        section.centre = onHat({0.0, t * kCrownHeight - 0.6, 0.0});
        section.side = rotate(hatTilt(), kRight);
        section.front = rotate(hatTilt(), kForward);
        section.sideRadius = lerp(4.9, 4.4, t);
        section.frontRadius = lerp(5.4, 4.9, t);
        section.backRadius = section.frontRadius;
        section.squareness = 2.3;
        return section;
    };
    tube.endCap = 0.2;
    tube.endCapDepth = 0.25;
    const SurfaceShape round = tubeShape(tube);
    // The crease: the top pressed down along the middle, the front pinched.
    const SurfaceShape creased = [round](double s, double a) {
        const Vector3 p = round(s, a);
        const Vector3 local = rotate(inverse(hatTilt()), p - kHatCentre);
        const double top = smoothstep(kCrownHeight - 2.0, kCrownHeight, local.y);
        const double dent = 1.1 * std::exp(-(local.x / 1.6) * (local.x / 1.6)) * top;
        return kHatCentre + rotate(hatTilt(), local - Vector3(0, dent, 0));
    };
    return makePart("crown", kHatRegion, creased, 16, 36, 144, 40, rigidTo(rig.index("hat")));
}

// The brim: a flat band round the crown, closed round its own edge, s going
// round that edge and a round the hat.
Part brimPart(const Rig& rig) {
    const SurfaceShape brim = [](double s, double a) {
        const double around = 2 * kPi * a;
        const Vector3 out{std::sin(around), 0.0, -std::cos(around)};
        const double inner = 4.7 * 5.2 / std::hypot(5.2 * out.x, 4.7 * out.z);
        const double halfWidth = 2.9 + 0.5 * out.z * out.z;
        const double across = std::cos(2 * kPi * s);
        const double reach = inner + halfWidth * (1 + across);
        const double outer = smoothstep(inner, inner + 2 * halfWidth, reach);
        // Curled up at the sides.
        const double curl = 1.6 * outer * outer * out.x * out.x;
        const Vector3 local = reach * out + Vector3(0.0, curl + 0.2 * std::sin(2 * kPi * s), 0.0);
        return onHat(local);
    };
    const int hat = rig.index("hat");
    const int right = rig.index("brimRight");
    const int left = rig.index("brimLeft");
    Part part = makePart(
        "brim", kBrimRegion, brim, 12, 48, 192, 24, [=](const Vector3& rest, double, double) {
            const Vector3 local = rotate(inverse(hatTilt()), rest - kHatCentre);
            const double flex = smoothstep(5.0, 9.5, std::fabs(local.x));
            return Weights::blend(Weights(hat), Weights(local.x > 0 ? right : left), 0.8 * flex);
        });
    part.periodicAlong = true;
    return part;
}

std::vector<Part> costumeParts(const Rig& rig) {
    const std::vector<Vector3> kerchief = kerchiefLine();
    Tube flap = limbTube(kerchief, kForward, [](double distance, const Vector3&) {
        return LimbRadii{lerp(2.4, 0.25, smoothstep(0.0, 5.6, distance)), 0.18, 0.18};
    });
    flap.endCap = 0.1;
    flap.startCap = 0.05;
    const Vector3 grip = lassoGrip(rig);
    Part lasso =
        makePart("lasso", kLassoRegion,
                 ringShape(grip + Vector3(0.0, -kLassoRadius, 0.0), kRight, kLassoRadius, 0.3), 6,
                 48, 96, 8, rigidTo(rig.index("lasso")));
    lasso.periodicAlong = true;
    return {crownPart(rig), brimPart(rig),
            makePart("kerchief", kKerchiefRegion, tubeShape(flap), 10, 12, 48, 24,
                     rigidTo(rig.index("neckerchief"))),
            lasso};
}

std::vector<Jiggle> costumeJiggles(const Rig& rig) {
    return {
        {"brimRight", onHat({9.6, 1.4, 0.0}), 3.5, 0.4, 0.08},
        {"brimLeft", onHat({-9.6, 1.4, 0.0}), 3.5, 0.4, 0.08},
        {"neckerchief", kerchiefLine().back(), 2.2, 0.3, 0.5},
        {"lasso", lassoGrip(rig) + Vector3(0.0, -2 * kLassoRadius, 0.0), 1.2, 0.2, 0.7},
    };
}

Color paintCostume(const PaintSample& sample) {
    switch (sample.region) {
        case kHatRegion: {
            const Vector3 local = rotate(inverse(hatTilt()), sample.position - kHatCentre);
            return lerp(kHat, hexColor(0x2b1a10), band(local.y, 0.5, 0.55, 0.1));
        }
        case kBrimRegion:
            return kHat * 0.95;
        case kKerchiefRegion: {
            // Small white dots on red.
            const double u = sample.a * 10;
            const double v = sample.s * 8;
            const double dot =
                ellipse(u - std::floor(u), v - std::floor(v), 0.5, 0.5, 0.18, 0.18, 0.3);
            return lerp(kKerchief, hexColor(0xf0e6d2), 0.85 * dot);
        }
        default:
            return lerp(hexColor(0xc8a46a), hexColor(0x8a6a3a),
                        band(std::fmod(sample.a * 120 + sample.s * 2, 1.0), 0.5, 0.2, 0.1));
    }
}

// The lasso hand circles high over the head while the other rests on the belt.
Clip lassoClip(const Rig& rig) {
    Clip clip;
    clip.name = "Lasso";
    clip.frames = 48;
    clip.pose = [&rig](double phase) {
        RigPose pose(rig);
        const double angle = 2 * kPi * 2 * phase;
        const double sway = std::sin(angle);
        placeHips(rig, pose, {0.4 * sway, -0.7, 0.0}, 0.0, radians(3) * std::cos(angle), 0.0);
        pose.rotationOf(rig, "spine") = turn(0.0, radians(-3) * std::cos(angle), radians(-2));
        pose.rotationOf(rig, "chest") =
            turn(radians(2), radians(-2) * std::cos(angle), radians(-2));
        pose.rotationOf(rig, "neck") = turn(radians(-4), 0.0, 0.0);
        pose.rotationOf(rig, "head") = turn(radians(-6), radians(3) * sway, 0.0);
        ArmAim lasso;
        lasso.upper =
            Geometry::normalize({0.8 + 0.1 * std::cos(angle), 0.48, -0.3 + 0.12 * std::sin(angle)});
        lasso.bendToward = {-0.55, 0.8, -0.1};
        lasso.elbow = radians(100);
        lasso.shrug = radians(8);
        lasso.wristTurn = radians(20) * std::sin(angle);
        aimArm(rig, pose, "Right", lasso);
        ArmAim belt;
        belt.upper = hangingArm(rig, "Left", radians(-8), radians(18));
        belt.elbow = radians(70);
        belt.bendToward = {0.7, 0.0, -0.7};
        aimArm(rig, pose, "Left", belt);
        breathe(rig, pose, sway);
        placeFoot(rig, pose, "Right", {});
        placeFoot(rig, pose, "Left", {});
        // The loop lies flat and circles the hand that holds it.
        const WorldPose world = solveWorld(rig, pose);
        const int lassoBone = rig.index("lasso");
        const Vector3 grip = world.position[lassoBone];
        const Quaternion flat = axisAngle(kUp, -angle) * axisAngle({0, 0, 1}, radians(90));
        placeBoneInWorld(rig, pose, lassoBone, flat, grip);
        return pose;
    };
    return clip;
}

}  // namespace

void describeCowboy(SampleCharacter& character) {
    Figure figure;
    figure.name = "cowboy";
    figure.shape.hipWidth = 7.3;
    figure.shape.waistWidth = 6.6;
    figure.shape.chestWidth = 8.0;
    figure.shape.shoulderWidth = 8.7;
    figure.shape.limbGirth = 1.05;
    figure.shape.footwear = Footwear::kCowboyBoot;
    figure.shape.bootGirth = 0.5;
    figure.shape.bootTop = 15.0;
    figure.face.skin = kSkin;
    figure.face.hair = kHair;
    figure.face.iris = hexColor(0x4a3a26);
    figure.face.brows = hexColor(0x4a301c);
    figure.face.lips = hexColor(0xa9654c);
    figure.face.moustache = 1.0;
    figure.face.hairlineFront = 0.5;
    figure.face.hairlineBack = -0.4;
    figure.face.stubble = 0.2;
    figure.trunk = paintTrunk;
    figure.arms = [](const PaintSample& sample) {
        return heightAboveFloor(sample.position) < 36.8 ? kSkin : plaid(sample);
    };
    figure.legs = paintLeg;
    figure.shoes = [](const PaintSample& sample) {
        return lerp(kBoot, kBoot * 0.5, smoothstep(0.8, 0.5, heightAboveFloor(sample.position)));
    };
    figure.style.hipSway = 0.7;
    figure.style.stepHeight = 0.9;
    figure.style.idleArmSpread = radians(1);
    figure.style.idleElbow = 0.3;
    figure.ownClip = lassoClip;
    figure.costumeBones = addCostumeBones;
    figure.costumeParts = costumeParts;
    figure.costume = paintCostume;
    describeFigure(character, figure);
    for (Clip& clip : character.clips) {
        clip.jiggles = costumeJiggles(character.rig);
    }
}

}  // namespace samples
}  // namespace velmora
