#!/usr/bin/env python3
"""Fails unless the pom holds every element Maven Central requires of a
release: coordinates, name, description, url, a licence with its url, a
developer, and scm with its connection and url; and issue management.
    check_pom.py POM"""
import sys
import xml.etree.ElementTree as ElementTree

NS = {"m": "http://maven.apache.org/POM/4.0.0"}
REQUIRED = ["m:groupId", "m:artifactId", "m:version", "m:name", "m:description", "m:url",
            "m:licenses/m:license/m:name", "m:licenses/m:license/m:url", "m:developers/m:developer/m:name",
            "m:scm/m:connection", "m:scm/m:url", "m:issueManagement/m:url"]

pom = ElementTree.parse(sys.argv[1]).getroot()
missing = [path for path in REQUIRED if not (pom.findtext(path, namespaces=NS) or "").strip()]
for path in missing:
    print("missing:", path.replace("m:", ""))
sys.exit(1 if missing else 0)
