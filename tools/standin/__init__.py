"""Stand-in for the platform's web service, for the launcher's tests and development runs."""

from .faults import FAULT_KINDS
from .formats import exe_version, make_version_key, notice_line, update_config_text
from .service import CONTROL_PREFIX, RecordedRequest, StandInService

__all__ = ["StandInService", "RecordedRequest", "FAULT_KINDS", "CONTROL_PREFIX",
           "exe_version", "make_version_key", "notice_line", "update_config_text"]
