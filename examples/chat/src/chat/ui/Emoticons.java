package chat.ui;

import java.util.LinkedHashMap;
import java.util.Map;

/**
 * Replaces typed smileys by their pictures.
 */
public final class Emoticons {
    private static final Map<String, String> PICTURES = new LinkedHashMap<>();

    static {
        PICTURES.put(":)", "\u263A");
        PICTURES.put(":(", "\u2639");
        PICTURES.put("<3", "\u2665");
    }

    public static String replace(String text) {
        String result = text;
        for (Map.Entry<String, String> entry : PICTURES.entrySet()) {
            result = result.replace(entry.getKey(), entry.getValue());
        }
        return result;
    }
}
