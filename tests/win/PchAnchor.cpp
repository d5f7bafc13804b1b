// Nothing: the library exists to carry the precompiled test framework header.
