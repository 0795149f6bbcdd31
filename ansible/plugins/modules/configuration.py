#!/usr/bin/python
# -*- coding: utf-8 -*-
# Copyright RI-REVE. Apache License 2.0 (see LICENSE).

from __future__ import absolute_import, division, print_function

__metaclass__ = type

DOCUMENTATION = r"""
---
module: configuration
short_description: Bring a host's ODBC configuration to a state document
version_added: "0.1.0"
description:
  - Runs C(ri-reve apply --json) on the target with the state document on its standard input, and
    reports what it changed.
  - The document says which drivers, data sources, driver manager settings and file data sources the
    host holds (version 1 of RI-REVE's state document, C(state/state.schema.json)). What it does not
    name is left as it is, unless I(prune) is set.
  - Every file is written or none is; when a file cannot be written, those written before it are put
    back and the task fails with the reason.
  - >-
    Secrets are best given by reference, C({"env": NAME}) or C({"file": PATH}), resolved on the target.
    Values of secret keys (PWD, PASSWORD, TOKEN and the others C(ri-reve help --json) lists) are never
    shown, in the result, in diffs or in the logged arguments.
  - The files are those of the environment the task runs in (C(ODBCSYSINI), C(ODBCINI), C(HOME)), as
    unixODBC finds them.
options:
  content:
    description:
      - The state document, as a mapping or as JSON text.
      - Exactly one of I(content) and I(path) is given.
    type: raw
  path:
    description:
      - A state document on the target.
    type: path
  prune:
    description:
      - Also remove the drivers, data sources and file data sources the document does not name, within
        the kinds and scopes it names.
    type: bool
    default: false
  executable:
    description:
      - The ri-reve program on the target; a bare name is looked for on the target's PATH.
    type: str
    default: ri-reve
attributes:
  check_mode:
    support: full
    description: Plans, reports what would change and writes nothing (C(ri-reve apply --check)).
  diff_mode:
    support: full
    description: Each file's sections before and after, secrets masked as C(********).
requirements:
  - ri-reve on the target
notes:
  - A reference to a variable that is not set, or a file that is not there, fails the task with nothing
    changed.
author:
  - RI-REVE
"""

EXAMPLES = r"""
- name: The sales data source, its password from the target's environment
  nq.odbc.configuration:
    content:
      version: 1
      drivers:
        - name: SQLite3
          scope: system
          entries:
            Driver: /usr/lib/x86_64-linux-gnu/odbc/libsqlite3odbc.so
      dataSources:
        - name: sales
          scope: user
          driver: SQLite3
          entries:
            Database: /srv/sales.db
            PWD:
              env: SALES_PASSWORD
  environment:
    SALES_PASSWORD: "{{ vault_sales_password }}"

- name: A state file on the target, removing what it does not name
  nq.odbc.configuration:
    path: /etc/odbc-state.json
    prune: true
"""

RETURN = r"""
changed:
  description: Whether a file was changed (in check mode, would be).
  returned: always
  type: bool
changes:
  description: The changes by entry, secrets masked.
  returned: always
  type: list
  elements: dict
  contains:
    file:
      description: The file changed.
      type: str
    section:
      description: The section (data source, driver, C(ODBC) for the settings).
      type: str
    key:
      description: The entry's key; empty for a whole section.
      type: str
    before:
      description: The value before, or null for none.
      type: str
    after:
      description: The value after, or null for none.
      type: str
    kind:
      description: One of add, change, remove, install, count.
      type: str
  sample:
    - file: /home/app/.odbc.ini
      section: sales
      key: PWD
      before: null
      after: "********"
      kind: add
restored:
  description: The files put back as they were once a later one could not be written.
  returned: always
  type: list
  elements: str
"""

import json

from ansible.module_utils.basic import AnsibleModule

STATE_LISTS = ("drivers", "dataSources", "fileDataSources")


def ascii_upper(text):
    # ODBC keywords compare by ASCII letters alone, as ri-reve does.
    return "".join(c.upper() if "a" <= c <= "z" else c for c in text.strip())


def literal_secrets(document, secret_keys):
    """The values of secret keys the document gives as text, to be kept out of every output."""
    if not isinstance(document, dict):
        return set()
    sections = []
    for field in STATE_LISTS:
        items = document.get(field)
        if isinstance(items, list):
            sections.extend(item.get("entries") for item in items if isinstance(item, dict))
    sections.append(document.get("settings"))
    values = set()
    for entries in sections:
        if not isinstance(entries, dict):
            continue
        for key, value in entries.items():
            if isinstance(value, str) and value and ascii_upper(key) in secret_keys:
                values.add(value)
    return values


def run_json(module, args, data=None):
    rc, out, err = module.run_command(args, data=data, binary_data=True, encoding="utf-8", errors="replace")
    try:
        parsed = json.loads(out) if out.strip() else None
    except ValueError:
        parsed = None
    return rc, parsed, err


def error_of(err):
    """ri-reve's error line (JSON with --json): its message and reason."""
    for line in err.splitlines():
        try:
            error = json.loads(line)
        except ValueError:
            continue
        if isinstance(error, dict) and "error" in error:
            return error["error"] + (" Reason: " + error["reason"] if error.get("reason") else "")
    return err.strip()


def main():
    module = AnsibleModule(
        argument_spec=dict(
            # Not logged as given; only its secrets are kept out of the result (below).
            content=dict(type="raw", no_log=True),
            path=dict(type="path"),
            prune=dict(type="bool", default=False),
            executable=dict(type="str", default="ri-reve"),
        ),
        mutually_exclusive=[("content", "path")],
        required_one_of=[("content", "path")],
        supports_check_mode=True,
    )
    executable = module.params["executable"]
    if "/" not in executable:
        executable = module.get_bin_path(executable, required=True)

    content = module.params["content"]
    data = None
    if content is not None:
        # Ansible would hide every value of the document, "1" and "user" among them, wherever
        # they appear in the result: the secrets alone are hidden instead.
        module.no_log_values = set()
        if isinstance(content, str):
            module.no_log_values.add(content)
            try:
                document = json.loads(content)
            except ValueError:
                document = None
            data = content.encode("utf-8")
        elif isinstance(content, dict):
            document = content
            data = json.dumps(content).encode("utf-8")
        else:
            module.fail_json(msg="content must be a state document: a mapping, or JSON text")
        # The keys ri-reve masks, from its one list.
        rc, described, err = run_json(module, [executable, "help", "--json"])
        if rc != 0 or not isinstance(described, dict) or "secrets" not in described:
            module.fail_json(msg="%s cannot tell its secret keys: %s" % (executable, error_of(err)), rc=rc)
        secret_keys = set(ascii_upper(key) for key in described["secrets"])
        module.no_log_values.update(literal_secrets(document, secret_keys))

    args = [executable, "apply", "-" if data is not None else module.params["path"], "--json"]
    if module.params["prune"]:
        args.append("--prune")
    if module.check_mode:
        args.append("--check")
    if module._diff:
        args.append("--diff")
    rc, report, err = run_json(module, args, data)

    if not isinstance(report, dict) or "changed" not in report:
        module.fail_json(msg=error_of(err) or "ri-reve apply exited with %d" % rc, rc=rc)
    result = dict(changed=report["changed"], changes=report.get("changes", []), restored=report.get("restored", []))
    if module._diff:
        result["diff"] = [
            dict(before_header=each["file"], after_header=each["file"], before=each["before"], after=each["after"])
            for each in report.get("diffs", [])
        ]
    if rc != 0 or report.get("failure"):
        result["changed"] = False
        module.fail_json(msg=error_of(err) or report.get("failure"), rc=rc, **result)
    module.exit_json(**result)


if __name__ == "__main__":
    main()
