// cube: the length of the shortest path over the surface of a cube with
// edge a, from the corner at the origin to a point (x, y, z) on its surface.
// Reads a, then x, y and z from "cube.in"; writes the length with four
// decimals to "cube.out", or -1 when the point lies on no face plane.
#include "runtime/frame.h"
#include "runtime/integer_io.h"
#include "runtime/program.h"
#include "runtime/real_io.h"
#include "runtime/text_file.h"

namespace {

rt::Real edge;
rt::Real x;
rt::Real y;
rt::Real z;
rt::Real distance;

rt::Real square(rt::Real v) { return v * v; }
rt::Real hypotenuse(rt::Real a, rt::Real b) { return rt::square_root(square(a) + square(b)); }

// The faces through the origin corner are crossed in a straight line. To
// reach an opposite face the path crosses one of the two faces that touch
// both; unfolding that face into the target's plane gives the two candidate
// lengths, and the comparison picks the shorter one.
void choose_distance() {
    const rt::Real a = edge;
    if (z == 0) {
        distance = hypotenuse(x, y);
    } else if (y == 0) {
        distance = hypotenuse(x, z);
    } else if (x == 0) {
        distance = hypotenuse(z, y);
    } else if (z == a) {
        distance = y > x ? hypotenuse(a + x, y) : hypotenuse(x, a + y);
    } else if (y == a) {
        distance = z > x ? hypotenuse(a + x, z) : hypotenuse(x, a + z);
    } else if (x == a) {
        distance = z > y ? hypotenuse(a + y, z) : hypotenuse(y, a + z);
    }
}

}  // namespace

[[noreturn]] void program_entry() {
    rt::console_flag = 1;
    rt::program_start(rt::module_table);

    rt::open_program_files();

    edge = rt::read_real(rt::std_input);
    rt::read_line_end(rt::std_input);
    rt::io_check();
    x = rt::read_real(rt::std_input);
    y = rt::read_real(rt::std_input);
    z = rt::read_real(rt::std_input);
    rt::io_check();

    distance = -1;
    choose_distance();

    rt::write_line_end(rt::write_real(rt::std_output, distance, 0, 4));
    rt::io_check();
    rt::text_close(rt::std_output);
    rt::io_check();
    // std_input is closed by the end of the program.
    rt::halt_program(0);
}
