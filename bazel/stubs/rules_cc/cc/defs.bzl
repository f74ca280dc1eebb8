# The names Bazel's own build files load from rules_cc, handed to the built-in rules, so a build
# needs no download of the real repository.

def cc_binary(**kwargs):
    native.cc_binary(**kwargs)

def cc_library(**kwargs):
    native.cc_library(**kwargs)

def cc_test(**kwargs):
    native.cc_test(**kwargs)

def cc_proto_library(**kwargs):
    native.cc_proto_library(**kwargs)

def cc_toolchain(**kwargs):
    native.cc_toolchain(**kwargs)

def cc_toolchain_suite(**kwargs):
    native.cc_toolchain_suite(**kwargs)

def objc_library(**kwargs):
    native.objc_library(**kwargs)
