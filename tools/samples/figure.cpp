#include "tools/samples/figure.h"

namespace velmora {
inline namespace samples {

void describeFigure(SampleCharacter& character, const Figure& figure) {
    character.name = figure.name;
    character.rig = makeBodyRig(figure.shape);
    if (figure.costumeBones) {
        figure.costumeBones(character.rig);
    }
    character.parts = makeBodyParts(figure.shape, character.rig);
    if (figure.costumeParts) {
        for (Part& part : figure.costumeParts(character.rig)) {
            character.parts.push_back(std::move(part));
        }
    }
    character.paint = [figure](const PaintSample& sample) {
        switch (sample.region) {
            case kTrunkRegion:
                return figure.trunk(sample);
            case kHeadRegion:
                return paintHead(sample, figure.face);
            case kArmRegion:
                return figure.arms(sample);
            case kLegRegion:
                return figure.legs(sample);
            case kShoeRegion:
                return figure.shoes(sample);
            case kEarRegion:
            case kHandRegion:
                return figure.face.skin;
            default:
                return figure.costume(sample);
        }
    };
    const Rig& rig = character.rig;
    character.clips = {idleClip(rig, figure.style), walkClip(rig, figure.style),
                       runClip(rig, figure.style), figure.ownClip(rig)};
    for (Clip& clip : character.clips) {
        if (figure.followBody) {
            const auto pose = clip.pose;
            const auto follow = figure.followBody;
            clip.pose = [pose, follow, &rig](double phase) {
                RigPose result = pose(phase);
                follow(rig, result);
                return result;
            };
        }
        clip.jiggles.insert(clip.jiggles.end(), figure.jiggles.begin(), figure.jiggles.end());
    }
}

}  // namespace samples
}  // namespace velmora
