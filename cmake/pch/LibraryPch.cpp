// The donor of the static libraries' precompiled platform header: it is built with this file's flags,
// which the libraries that reuse it share.
