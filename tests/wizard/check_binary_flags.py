#!/usr/bin/env python3
"""Checks that every object of every shipped Windows binary is compiled with the shipped flags.

Reads the tree's build.ninja, what the build really compiles and links, and finds the shipped
binaries without being told them: the setup target, the targets that build the payload files
(payload-files.txt), and every executable or library whose file is named after one of those
followed by "-" (the test variants built from the same sources). Every object linked into
each of them, its own and those of the archives on its link line, must be compiled with each
shipped flag and the shipped optimisation level last if C++, with the prefix maps if
assembly. --also adds a target by name (the control).

Exit code 0 when every object holds, 1 otherwise, naming each binary, object and flag.
"""
import argparse
import os
import re
import shlex
import sys

LINK_RULE = re.compile(r"^(?:C|CXX)_(EXECUTABLE|SHARED_LIBRARY|STATIC_LIBRARY)_LINKER__(.+)_[A-Za-z]+$")
COMPILE_RULE = re.compile(r"^([A-Z]+)_COMPILER__")


def ninja_words(text):
    """Splits a build line's path list, keeping "$ "-escaped spaces inside a path."""
    return [w.replace("\0", " ").replace("$:", ":") for w in text.replace("$ ", "\0").split()]


def read_ninja(path):
    statements = []
    current = None
    with open(path) as f:
        for line in f:
            line = line.rstrip("\n")
            if line.startswith("build "):
                head, _, tail = line[6:].partition(": ")
                tail = tail.split(" || ")[0].split(" | ")[0]
                rule, _, inputs = tail.partition(" ")
                current = {"outputs": ninja_words(head.split(" | ")[0]), "rule": rule,
                           "inputs": ninja_words(inputs), "vars": {}}
                statements.append(current)
            elif line.startswith("  ") and current is not None and " = " in line:
                name, _, value = line.strip().partition(" = ")
                current["vars"][name] = value
            else:
                current = None
    return statements


def stem(path):
    return os.path.splitext(os.path.basename(path))[0]


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("tree")
    parser.add_argument("--setup", required=True, help="the setup's target")
    parser.add_argument("--payload-files", required=True)
    parser.add_argument("--flag", action="append", default=[], help="a shipped C++ compile flag; the first: the level")
    parser.add_argument("--prefix-map", action="append", default=[], help="a shipped flag of every object")
    parser.add_argument("--also", action="append", default=[])
    args = parser.parse_args()
    flags, prefix_maps = args.flag, args.prefix_map

    binaries, archives, objects = {}, {}, {}
    for statement in read_ninja(os.path.join(args.tree, "build.ninja")):
        link = LINK_RULE.match(statement["rule"])
        compile_rule = COMPILE_RULE.match(statement["rule"])
        if link and link.group(1) == "STATIC_LIBRARY":
            archives[statement["outputs"][0]] = statement
        elif link:
            binaries[link.group(2)] = statement
        elif compile_rule:
            statement["language"] = compile_rule.group(1)
            objects[statement["outputs"][0]] = statement

    names = {args.setup}
    with open(args.payload_files) as f:
        for line in f:
            fields = line.rstrip("\n").split("\t")
            if not line.startswith("#") and len(fields) >= 4 and fields[3] != "-":
                names.add(fields[3])
    missing = sorted(n for n in names | set(args.also) if n not in binaries)
    if missing:
        print("no linked target " + ", ".join(missing))
        return 1
    stems = {stem(binaries[n]["vars"].get("TARGET_FILE", "")) for n in names}
    for name, statement in binaries.items():
        if any(stem(statement["vars"].get("TARGET_FILE", "")).startswith(s + "-") for s in stems):
            names.add(name)
    names = sorted(names) + args.also

    faults, count = [], 0
    for name in names:
        linked = [(name, o) for o in binaries[name]["inputs"]]
        libraries = shlex.split(binaries[name]["vars"].get("LINK_LIBRARIES", ""))
        for word in sorted(set(libraries) & set(archives)):
            linked += [(f"{name} (library {word})", o) for o in archives[word]["inputs"]]
        if not any(objects.get(output) for _, output in linked):
            faults.append(f"{name}: no compiled object found among what it links")
        for where, output in linked:
            compiled = objects.get(output)
            if compiled is None:
                faults.append(f"{where}: {output} is linked, but the tree does not compile it")
                continue
            count += 1
            if compiled["language"] == "RC":
                continue
            words = shlex.split(compiled["vars"].get("FLAGS", ""))
            source = os.path.relpath(compiled["inputs"][0], os.path.dirname(os.path.abspath(__file__)) + "/../..")
            wanted = flags + prefix_maps if compiled["language"] == "CXX" else prefix_maps
            lacking = [flag for flag in wanted if flag not in words]
            levels = [w for w in words if w.startswith("-O")]
            if compiled["language"] == "CXX" and flags and levels and levels[-1] != flags[0]:
                lacking.append(f"{flags[0]} last (it ends with {levels[-1]})")
            if lacking:
                faults.append(f"{where}: {source} is compiled without {' '.join(lacking)}")
    print(f"{len(names)} shipped binaries: {', '.join(names)}; {count} linked objects checked")
    for fault in faults:
        print(fault)
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
