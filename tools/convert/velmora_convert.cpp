// velmora-convert: the converter program that velmora-import, the viewer and
// the tools start for every conversion. It takes the input file's path and the
// conversion's options on its command line and hands the converted character
// back through the result pipe its caller gave it, under its caller's limits
// on memory and time, confined to reading the input file's folder. Not meant to
// be run by hand.

#include "import/conversion.h"

int main(int argc, char** argv) {
    return velmora::serveContained(argc, argv, velmora::answerConversion);
}
