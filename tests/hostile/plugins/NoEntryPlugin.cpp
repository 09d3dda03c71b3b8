// A shared library that loads but is no plug-in: it exports no CreatePlugin.
extern "C" __attribute__((visibility("default"))) int ImportSomethingElse()
{
    return 0;
}
