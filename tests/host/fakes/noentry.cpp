// A loadable module with no plug-in entry point.
extern "C" __attribute__((visibility("default"))) int trsNotAPlugin() {
    return 42;
}
