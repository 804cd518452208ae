"""docs/reference.md is generated from the member tables and must stay current.

After changing a member table or a code, regenerate it with `scripts/reference` (which runs
`python3 -m scripthost reference` against build/registry) and commit the result.
"""

import pathlib

from scripthost import reference

PAGE = pathlib.Path(__file__).resolve().parents[2] / "docs" / "reference.md"


def test_the_reference_page_is_current():
    generated = reference.markdown()
    assert PAGE.read_text() == generated, "docs/reference.md is stale: run scripts/reference"


def test_the_page_names_every_class_member_and_code():
    page = PAGE.read_text()
    for text in ('ProgID "Corvane.AggCo.1" (version-independent "Corvane.AggCo")', '"Corvane.EmpCo.1"',
                 "| 22 | method | `CreateDist` |", "`forward` any (optional)", "| `svSimpleMixture` | 16 |",
                 "### scoreType"):
        assert text in page, text
