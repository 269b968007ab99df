// Tells the tests whether wine can run programs of this bitness here at all.
#include <cstdio>

int main()
{
    std::printf("%d\n", int(sizeof(void *) * 8));
    return 0;
}
