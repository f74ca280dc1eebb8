# The names Bazel's own build files load from rules_java, handed to the built-in rules, so a build
# needs no download of the real repository.

def java_binary(**kwargs):
    native.java_binary(**kwargs)

def java_import(**kwargs):
    native.java_import(**kwargs)

def java_library(**kwargs):
    native.java_library(**kwargs)

def java_proto_library(**kwargs):
    native.java_proto_library(**kwargs)

def java_runtime(**kwargs):
    native.java_runtime(**kwargs)

def java_toolchain(**kwargs):
    native.java_toolchain(**kwargs)
