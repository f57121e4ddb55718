package chat.ui;

/**
 * Gives every user a terminal colour of their own.
 */
public final class Colors {
    private static final String RESET = "\u001b[0m";
    private static final int[] CODES = { 31, 32, 33, 34, 35, 36 };

    public static String paint(String user, String text) {
        int code = CODES[Math.floorMod(user.hashCode(), CODES.length)];
        return "\u001b[" + code + "m" + text + RESET;
    }
}
