//#condition includePhoto
package media;

public class PhotoController {
    public void handle(String command) {
        //#ifdef includeCopyPhoto
        if (command.equals("copy"))
            copy();
        //#elifdef includeSmsFeature
        if (command.equals("sms"))
            send();
        // #else
        log(command);
        //#endif
        //#if includeFavourites && !includeSorting
        favourite();
        //#endif
    }
}
