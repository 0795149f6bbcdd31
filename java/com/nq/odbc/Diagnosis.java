package com.nq.odbc;

import java.util.ArrayList;
import java.util.Collections;
import java.util.List;

/**
 * What {@link ODBC#diagnose()} found in the configuration: for each
 * installed driver and each data source, its findings. Immutable.
 */
public final class Diagnosis {
    /** How much a finding matters. */
    public enum Severity {
        /** A connection through it cannot work. */
        ERROR,
        /** Something works, or may, but not as it looks. */
        WARNING,
        /** Checked and found sound. */
        INFO
    }

    /** One finding. Immutable. */
    public static final class Finding {
        private final Severity severity;
        private final String code;
        private final String subject;
        private final String reason;
        private final String mend;

        Finding(Severity severity, String code, String subject, String reason, String mend) {
            this.severity = severity;
            this.code = code;
            this.subject = subject;
            this.reason = reason;
            this.mend = mend.isEmpty() ? null : mend;
        }

        /**
         * How much it matters.
         *
         * @return the severity
         */
        public Severity getSeverity() {
            return severity;
        }

        /**
         * What was found, as a stable code such as {@code driver.library-not-found}.
         *
         * @return the code
         */
        public String getCode() {
            return code;
        }

        /**
         * The driver's description or the data source's name it is about.
         *
         * @return the subject
         */
        public String getSubject() {
            return subject;
        }

        /**
         * One line that names the file or entry and says what is wrong.
         *
         * @return the reason
         */
        public String getReason() {
            return reason;
        }

        /**
         * What mends it: a command to run, or a change to make.
         *
         * @return the mend, or null where nothing needs mending (an info finding)
         */
        public String getMend() {
            return mend;
        }

        @Override
        public String toString() {
            return severity + " " + code + " " + subject + ": " + reason + (mend == null ? "" : " (mend: " + mend + ")");
        }
    }

    private final List<Finding> findings;

    /** Its record: a count, then each finding's severity (as its ordinal), code, subject and reason. */
    Diagnosis(Record record) {
        int count = record.number();
        List<Finding> read = new ArrayList<Finding>(count);
        for (int i = 0; i < count; i++) {
            read.add(new Finding(Severity.values()[record.number()], record.text(), record.text(), record.text(),
                    record.text()));
        }
        this.findings = Collections.unmodifiableList(read);
    }

    /**
     * Every finding: the drivers' first, in the order the driver manager
     * lists them, then the data sources', user ones first.
     *
     * @return the findings, unmodifiable
     */
    public List<Finding> getFindings() {
        return findings;
    }

    /**
     * Whether any finding is an error.
     *
     * @return true when one is
     */
    public boolean hasErrors() {
        for (Finding finding : findings) {
            if (finding.getSeverity() == Severity.ERROR) {
                return true;
            }
        }
        return false;
    }

    @Override
    public String toString() {
        return findings.toString();
    }
}
