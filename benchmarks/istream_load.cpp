// velmora-istream-load <model.animesh>: the straightforward loader as a program
// of its own (benchmarks/istream_reader.h), so that a fresh process of it can be
// set against one of velmora-info. Prints the counts read; status 1 when the
// model cannot be read.

#include <exception>
#include <iostream>

#include "benchmarks/istream_reader.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: velmora-istream-load <model.animesh>\n";
        return 2;
    }
    try {
        velmora::Model model;
        velmora::loadWithIstream(model, argv[1]);
        std::cout << model.vertexCount() << " vertices, " << model.faces.size() << " faces, "
                  << model.animations.size() << " animations\n";
    } catch (const std::exception& error) {
        std::cerr << argv[1] << ": " << error.what() << "\n";
        return 1;
    }
    return 0;
}
