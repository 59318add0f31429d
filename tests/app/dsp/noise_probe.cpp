// Prints the first noise values a fresh process draws, so a test can compare
// two runs of the program.
#include "noise.h"

#include <cstdio>

int main()
{
    std::vector<std::complex<float>> x(4);
    addGaussianNoise(x, 1.0f);
    for (const auto& v : x)
        std::printf("%.9g %.9g\n", v.real(), v.imag());
    return 0;
}
