// The donor of the test binaries' precompiled platform header: it is built with this file's flags (the
// library flags plus GoogleTest's), which every test binary shares.
