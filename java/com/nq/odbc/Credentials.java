package com.nq.odbc;

import java.util.Arrays;

/**
 * A user name and password for a connection test. The password is copied
 * in and never shown: not by {@link #toString()}, not in any result or
 * exception; it reaches the driver manager only in the test's connection
 * string (through a pipe to the test's process, never its command line).
 */
public final class Credentials {
    private final String user;
    private final char[] password;

    private Credentials(String user, char[] password) {
        this.user = user;
        this.password = password == null ? null : password.clone();
    }

    /**
     * Credentials of a user name and password; either may be null to leave
     * the data source's own entry ({@code UID}, {@code PWD}) in force.
     *
     * @param user the user name, or null
     * @param password the password, copied, or null
     * @return the credentials
     */
    public static Credentials of(String user, char[] password) {
        return new Credentials(user, password);
    }

    /**
     * The user name.
     *
     * @return the user name, or null when none was given
     */
    public String getUser() {
        return user;
    }

    /** A copy of the password, or null; for the connection string only. */
    char[] password() {
        return password == null ? null : password.clone();
    }

    /**
     * The user name, and whether a password was given.
     *
     * @return a text without the password
     */
    @Override
    public String toString() {
        return "Credentials[user=" + user + ", password=" + (password == null ? "none" : "given") + "]";
    }

    @Override
    public boolean equals(Object other) {
        return other instanceof Credentials && java.util.Objects.equals(user, ((Credentials) other).user)
                && Arrays.equals(password, ((Credentials) other).password);
    }

    @Override
    public int hashCode() {
        return java.util.Objects.hashCode(user);
    }
}
