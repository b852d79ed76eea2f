// A shared library that is not the engine: it loads, but has none of the engine's exports.
extern "C" __attribute__((visibility("default"))) int pelmora_test_not_an_engine()
{
    return 1;
}
