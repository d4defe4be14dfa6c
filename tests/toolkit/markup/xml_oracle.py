#!/usr/bin/env python3
"""Independent oracle for the markup parser.

On well-formed samples (hand-written ones and seeded random ones), the
element / attribute / text sequence printed by markup_token_dump must equal
the one Python's xml.etree reads from the same bytes.

Usage: xml_oracle.py <path to markup_token_dump>
"""
import os
import random
import subprocess
import sys
import tempfile
import xml.etree.ElementTree as ET


def esc(s):
    return s.replace("\\", "\\\\").replace("\n", "\\n")


def etree_events(data):
    root = ET.fromstring(data)
    out = []

    def walk(el):
        out.append("S " + el.tag)
        for k, v in el.attrib.items():
            out.append("A %s=%s" % (k, esc(v)))
        if el.text:
            out.append("T " + esc(el.text))
        for child in el:
            walk(child)
            if child.tail:
                out.append("T " + esc(child.tail))
        out.append("E " + el.tag)

    walk(root)
    return out


SAMPLES = [
    "<TextBlock>Hello <Bold>World</Bold>!</TextBlock>",
    "<a x='1' y=\"two words\"><b/><c z='&amp;&lt;&gt;&quot;&apos;'>t</c></a>",
    "<a>&#65;&#x42;&#67;-&amp;-&lt;tag&gt;</a>",
    "<a>  spaced\ttext  <b> inner </b>  tail  </a>",
    "<a><!-- comment --><b>x</b><!--y-->z</a>",
    "<a><![CDATA[<not a tag> & stuff]]></a>",
    "<?xml version='1.0' encoding='utf-8'?><a>decl</a>",
    "<Grid><Grid.RowDefinitions><RowDefinition/></Grid.RowDefinitions></Grid>",
    "<a>\u00e9\u4e2d\u6587 \u00fc</a>",
    "<a b = 'spaced equals' c=\"'\" d='\"'/>",
    "<a>line one\nline two</a>",
    "<a><b><c><d><e>deep</e></d></c></b></a>",
]


def random_doc(rng, depth=0):
    tag = rng.choice(["a", "Border", "TextBlock", "Run", "p1", "x-y", "n.m"])
    attrs = ""
    for i in range(rng.randint(0, 3)):
        value = "".join(rng.choice(["v", " ", "&amp;", "&lt;", "&#x41;", "\u00e9", "'", "1"]) for _ in range(rng.randint(0, 6)))
        q = '"'
        attrs += " k%d=%s%s%s" % (i, q, value.replace('"', "&quot;"), q)
    if depth > 4 or rng.random() < 0.3:
        return "<%s%s/>" % (tag, attrs)
    parts = []
    for _ in range(rng.randint(0, 4)):
        r = rng.random()
        if r < 0.4:
            parts.append(random_doc(rng, depth + 1))
        elif r < 0.8:
            parts.append("".join(rng.choice(["w", " ", "  ", "\t", "&amp;", "&gt;", "&#65;", "\u4e2d", "\n"]) for _ in range(rng.randint(1, 8))))
        elif r < 0.9:
            parts.append("<!--c-->")
        else:
            parts.append("<![CDATA[x<y]]>")
    return "<%s%s>%s</%s>" % (tag, attrs, "".join(parts), tag)


def main():
    dump = sys.argv[1]
    rng = random.Random(1234)
    samples = SAMPLES + [random_doc(rng) for _ in range(300)]
    failures = 0
    with tempfile.TemporaryDirectory() as tmp:
        paths = []
        for i, sample in enumerate(samples):
            path = os.path.join(tmp, "sample%03d.xml" % i)
            with open(path, "wb") as f:
                f.write(sample.encode("utf-8"))
            paths.append(path)
        output = subprocess.run([dump] + paths, capture_output=True, check=True).stdout.decode("utf-8").splitlines()
        got = {}
        current = None
        for line in output:
            if line.startswith("# "):
                current = line[2:]
                got[current] = []
            elif current is not None:
                got[current].append(line)
        for sample, path in zip(samples, paths):
            expected = etree_events(sample.encode("utf-8"))
            if got.get(path) != expected:
                failures += 1
                print("MISMATCH for sample:", repr(sample))
                print("  etree :", expected)
                print("  parser:", got.get(path))
    print("%d samples, %d mismatches" % (len(samples), failures))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
