extern "C" int brackenford_mapi32_placeholder() { return 0; }
